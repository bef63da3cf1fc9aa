// A tree view in a template dialog: the procedure inserts items under
// parents and expands them; the script transcript shows the whole tree in
// tree order, indented, the expanded items marked.
#include <gtest/gtest.h>

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

constexpr int kDialogId = 310;
constexpr int kTree = 20;
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7100});

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

TEST(TreeViewDialog, ItemsStandUnderTheirParentsInTreeOrderWithTheExpandedOnesMarked) {
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    script::clear();
    ui::setBackend(nullptr);
    using K = ui::ControlKind;
    ui::declareDialogTemplate(kModule, {kDialogId, 200, 120, "MS Shell Dlg", 8, "Strom",
                                        {{kTree, K::TreeView, "", 5, 5, 190, 90, WS_BORDER | WS_TABSTOP},
                                         {IDOK, K::DefaultButton, "OK", 75, 100, 50, 14}}});
    script::queue("Dialog", "press:1");
    EXPECT_EQ(IDOK, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, treeProcedure, 0));

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

}  // namespace
