// The common controls in a template dialog. A tree view: the procedure
// inserts items under parents and expands them; the script transcript
// shows the whole tree in tree order, indented, the expanded items marked.
// A list view: rows inserted at their places carry the selection along,
// the selected row is found, and the user's selection reaches the
// procedure.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/commctrl.h"
#include "win32/dialogs.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

constexpr int kTreeDialogId = 310;
constexpr int kTree = 20;
HINSTANCE const kTreeModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7100});

HTREEITEM insertA(HWND dialog, HTREEITEM parent, const char* text, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTA insert{parent, after, {TVIF_TEXT, nullptr, 0, 0, const_cast<char*>(text), 0, 0, 0, 0, 0}};
    return reinterpret_cast<HTREEITEM>(
        SendDlgItemMessageA(dialog, kTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

// What the procedure's calls answered, for the test to check.
struct Answers {
    bool insertsGaveHandles = false;
    bool badParentRefused = false;
    bool badPlaceRefused = false;
    bool badExpandRefused = false;
};
Answers answers;

INT_PTR treeProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        const HTREEITEM policy = insertA(dialog, nullptr, "Policy");
        const HTREEITEM other = insertA(dialog, TVI_ROOT, "Other");
        // A child of the first item inserted after the second top item.
        const HTREEITEM hash = insertA(dialog, policy, "Hash");
        TVINSERTSTRUCTW wide{hash, TVI_LAST, {TVIF_TEXT, nullptr, 0, 0, const_cast<char16_t*>(u"Algoritmus č. 1"),
                                              0, 0, 0, 0, 0}};
        const auto leaf = SendDlgItemMessageW(dialog, kTree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&wide));
        answers.insertsGaveHandles = policy && other && hash && leaf;
        answers.badParentRefused = !insertA(dialog, reinterpret_cast<HTREEITEM>(std::uintptr_t{99}), "x");
        answers.badPlaceRefused = !insertA(dialog, policy, "x", TVI_FIRST);
        answers.badExpandRefused =
            !SendDlgItemMessageA(dialog, kTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(TVI_ROOT));
        SendDlgItemMessageA(dialog, kTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(policy));
        SendDlgItemMessageA(dialog, kTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hash));
        SendDlgItemMessageA(dialog, kTree, TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(hash));
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

// Runs a dialog of the control above an OK button in the script backend,
// answered by the answers queued.
INT_PTR runScripted(HINSTANCE module, int id, const char* title, const ui::ControlTemplate& control,
                    DLGPROC procedure, std::initializer_list<const char*> answers) {
    const ScopedEnv backendKind{"PLATFORM_UI", "script"};
    script::clear();
    ui::setBackend(nullptr);
    const ui::ControlTemplate ok{IDOK, ui::ControlKind::DefaultButton, "OK", 75, 100, 50, 14};
    ui::declareDialogTemplate(module, {id, 200, 120, "MS Shell Dlg", 8, title, {control, ok}});
    for (const char* answer : answers) script::queue("Dialog", answer);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(static_cast<WORD>(id)), nullptr, procedure, 0);
}

TEST(TreeViewDialog, ItemsStandUnderTheirParentsInTreeOrderWithTheExpandedOnesMarked) {
    EXPECT_EQ(IDOK, runScripted(kTreeModule, kTreeDialogId, "Strom",
                                {kTree, ui::ControlKind::TreeView, "", 5, 5, 190, 90, WS_BORDER | WS_TABSTOP},
                                treeProcedure, {"press:1"}));

    EXPECT_TRUE(answers.insertsGaveHandles);
    EXPECT_TRUE(answers.badParentRefused);
    EXPECT_TRUE(answers.badPlaceRefused);
    EXPECT_TRUE(answers.badExpandRefused);
    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("| 20 tree \"\"\n"
                                               "  \"Policy\" expanded\n"
                                               "    \"Hash\"\n"
                                               "      \"Algoritmus č. 1\"\n"
                                               "  \"Other\" | 1 default \"OK\""))
        << lines[0];
    script::clear();
}

constexpr int kList = 30;
HINSTANCE const kListModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7500});

int insertRow(HWND dialog, int place, const char16_t* text, int subItem = 0) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = place;
    item.iSubItem = subItem;
    item.pszText = const_cast<char16_t*>(text);
    return static_cast<int>(SendDlgItemMessageW(dialog, kList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

LRESULT setRowState(HWND dialog, int row, UINT state) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = LVIS_SELECTED;
    return SendDlgItemMessageW(dialog, kList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

LRESULT nextSelected(HWND dialog, int after) {
    return SendDlgItemMessageW(dialog, kList, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED);
}

struct ListAnswers {
    bool placesKept = false;
    bool selectionMoved = false;
    bool refusals = false;
    bool focusReturned = false;
    LRESULT chosen = -2;
};
ListAnswers listAnswers;

INT_PTR listProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        for (const char16_t* title : {u"Čtečka", u"Karta"}) {
            LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH | LVCF_FMT, LVCFMT_LEFT, 90, const_cast<char16_t*>(title), 0, 0, 0, 0};
            SendDlgItemMessageW(dialog, kList, LVM_INSERTCOLUMNW, 9, reinterpret_cast<LPARAM>(&column));
        }
        listAnswers.placesKept = insertRow(dialog, 0, u"b") == 0 && insertRow(dialog, 0, u"a") == 0 &&
                                 insertRow(dialog, 7, u"d") == 2;
        setRowState(dialog, 1, LVIS_SELECTED);
        insertRow(dialog, 0, u"0");  // above the selected "b"
        LVITEMW cell{};
        cell.iSubItem = 1;
        cell.pszText = const_cast<char16_t*>(u"Kavlo");
        SendDlgItemMessageW(dialog, kList, LVM_SETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&cell));
        listAnswers.selectionMoved = nextSelected(dialog, -1) == 2 && nextSelected(dialog, 2) == -1 &&
                                     SendDlgItemMessageW(dialog, kList, LVM_GETITEMCOUNT, 0, 0) == 4;
        cell.iSubItem = 2;
        listAnswers.refusals = insertRow(dialog, 0, u"x", 1) == -1 && !setRowState(dialog, 4, LVIS_SELECTED) &&
                               !SendDlgItemMessageW(dialog, kList, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
        const HWND list = GetDlgItem(dialog, kList);
        listAnswers.focusReturned = !SetFocus(GetDlgItem(dialog, IDOK)) && SetFocus(list) == GetDlgItem(dialog, IDOK);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        listAnswers.chosen = nextSelected(dialog, -1);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

TEST(ListViewDialog, RowsKeepTheirPlacesAndTheSelectionItsRow) {
    EXPECT_EQ(IDOK, runScripted(kListModule, kTreeDialogId + 1, "Seznam",
                                {kList, ui::ControlKind::ListView, "", 5, 5, 190, 90, WS_TABSTOP}, listProcedure,
                                {"select:30:3", "press:1"}));

    EXPECT_TRUE(listAnswers.placesKept);
    EXPECT_TRUE(listAnswers.selectionMoved);
    EXPECT_TRUE(listAnswers.refusals);
    EXPECT_TRUE(listAnswers.focusReturned);
    EXPECT_EQ(3, listAnswers.chosen);
    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("Dialog 311: Seznam | 30 listview \"\" columns [\"Čtečka\" 90, \"Karta\" 90] "
              "rows [[\"0\", \"\"], [\"a\", \"\"], [\"b\", \"Kavlo\"], [\"d\", \"\"]] sel 2 focused | 1 default \"OK\"",
              lines[0]);
    script::clear();
}

}  // namespace
