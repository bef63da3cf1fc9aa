// Template dialogs through the script backend: what the procedure does at
// start, on commands, on posted messages and on colour questions shows in
// the transcript; the answers press, tick, select and close; a dialog
// whose rich edit has no library, or whose template is not declared, is
// not made. A dialog opened over another knows which one it stands over.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_session.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/commctrl.h"
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/hyperlink.h"
#include "win32/modules.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

constexpr int kDialogId = 300;
constexpr int kWarning = 10;
constexpr int kTemplateList = 11;
constexpr int kAgree = 12;
constexpr int kText = 13;
constexpr int kDetails = 14;
constexpr UINT kLateMessage = WM_USER + 7;

HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7000});

ui::DialogTemplate sample() {
    using K = ui::ControlKind;
    return {kDialogId, 200, 120, "MS Sans Serif", 8, "Vzor",
            {{IDYES, K::DefaultButton, "&Ano", 10, 100, 50, 14},
             {IDCANCEL, K::Button, "Storno", 70, 100, 50, 14},
             {kWarning, K::Static, "Varování", 10, 10, 180, 8},
             {kTemplateList, K::ListBox, "", 10, 20, 180, 30},
             {kAgree, K::CheckBox, "Souhlasím", 10, 55, 180, 10},
             {kText, K::RichEdit, "", 10, 70, 180, 20, ES_READONLY | ES_MULTILINE},
             {kDetails, K::Static, "Podrobnosti", 130, 100, 60, 8, SS_NOTIFY}}};
}

// Fills the list, selects its first row and asks for a later message at
// start; shows the selected row in the text; paints the warning red once
// the box is ticked; shows "details" in the text when the notifying static
// is clicked; ends with IDYES plus 100 when the box was ticked.
INT_PTR sampleProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, reinterpret_cast<const char*>(lParam));
        SendDlgItemMessageA(dialog, kTemplateList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("prvn\xED"));
        SendDlgItemMessageW(dialog, kTemplateList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"druhý"));
        SendDlgItemMessageA(dialog, kTemplateList, LB_SETCURSEL, 0, 0);
        SetDlgItemTextA(dialog, kText, "row 0");
        PostMessageA(dialog, kLateMessage, 0, 0);
        return TRUE;
    case kLateMessage:
        ShowWindow(GetDlgItem(dialog, IDCANCEL), SW_HIDE);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog, kWarning) ||
            SendDlgItemMessageA(dialog, kAgree, BM_GETCHECK, 0, 0) != BST_CHECKED)
            return FALSE;
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        if (LOWORD(wParam) == kTemplateList && HIWORD(wParam) == LBN_SELCHANGE) {
            const auto row = SendDlgItemMessageA(dialog, kTemplateList, LB_GETCURSEL, 0, 0);
            SetDlgItemTextA(dialog, kText, ("row " + std::to_string(row)).c_str());
        } else if (LOWORD(wParam) == kDetails && HIWORD(wParam) == STN_CLICKED) {
            SetDlgItemTextA(dialog, kText, "details");
        } else if (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDCANCEL) {
            const bool ticked = SendDlgItemMessageA(dialog, kAgree, BM_GETCHECK, 0, 0) == BST_CHECKED;
            EndDialog(dialog, LOWORD(wParam) + (ticked ? 100 : 0));
        }
        return TRUE;
    default: return FALSE;
    }
}

class TemplateDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        ui::declareDialogTemplate(kModule, sample());
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        ui::setBackend(nullptr);
    }

    INT_PTR show() {
        return DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, sampleProcedure,
                               reinterpret_cast<LPARAM>("Titulek"));
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
};

TEST_F(TemplateDialogs, TheProcedureFillsTheControlsAndTheAnswersActOnThem) {
    const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    ASSERT_NE(nullptr, richEdit) << GetLastError();
    script::queue("Dialog", "select:11:1");
    script::queue("Dialog", "check:12");
    script::queue("Dialog", "press:6");
    EXPECT_EQ(IDYES + 100, show());
    FreeLibrary(richEdit);

    const auto lines = script::transcript();
    ASSERT_EQ(3u, lines.size());
    // After start and the posted message: title, rows, selection, Cancel hidden.
    EXPECT_NE(std::string::npos, lines[0].find("Dialog 300: Titulek | 6 default \"&Ano\" | 2 button \"Storno\" hidden"))
        << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("11 listbox \"\" [\"první\", \"druhý\"] sel 0")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("13 richedit \"row 0\"")) << lines[0];
    EXPECT_EQ(std::string::npos, lines[0].find("color")) << lines[0];
    // The selection change reached the procedure.
    EXPECT_NE(std::string::npos, lines[1].find("sel 1 | 12 checkbox \"Souhlasím\" | 13 richedit \"row 1\"")) << lines[1];
    // Ticked: the procedure's colour for the warning.
    EXPECT_NE(std::string::npos, lines[2].find("10 static \"Varování\" color #FF0000")) << lines[2];
    EXPECT_NE(std::string::npos, lines[2].find("12 checkbox \"Souhlasím\" checked")) << lines[2];
}

TEST_F(TemplateDialogs, AHiddenButtonCannotBePressedAndClosingIsCancel) {
    const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    ASSERT_NE(nullptr, richEdit);
    std::vector<std::string> problems;
    script::onUnanswered([&](const std::string& problem) {
        problems.push_back(problem);
        return 0;
    });
    script::queue("Dialog", "press:2");
    EXPECT_EQ(-1, show());
    EXPECT_EQ(ERROR_CANCELLED, GetLastError());
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("cannot have")) << problems[0];

    script::onUnanswered(nullptr);
    script::queue("Dialog", "close");
    EXPECT_EQ(IDCANCEL, show());
    FreeLibrary(richEdit);
}

constexpr int kOkOnlyDialogId = 305;

// A dialog with OK alone that ends with IDOK when it is closed, its title
// set by a W call and read back by an A one into its only static.
INT_PTR okOnlyProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextW(dialog, reinterpret_cast<LPCWSTR>(u"Náhled – č. 1"));
        char title[32] = {};
        SendMessageA(dialog, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
        SetDlgItemTextA(dialog, kWarning, title);
        return TRUE;
    }
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDOK)) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

// Escape is Cancel, pressed even while the Cancel button is hidden; a
// dialog without one ends on Escape as its close ends it. A title keeps
// its letters whichever character set sets and reads it.
TEST_F(TemplateDialogs, EscapeIsCancelOrTheCloseOfADialogWithoutCancel) {
    const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    ASSERT_NE(nullptr, richEdit);
    script::queue("Dialog", "escape");
    EXPECT_EQ(IDCANCEL, show());
    FreeLibrary(richEdit);

    using K = ui::ControlKind;
    ui::declareDialogTemplate(kModule, {kOkOnlyDialogId, 200, 60, "MS Sans Serif", 8, "",
                                        {{IDOK, K::DefaultButton, "OK", 75, 40, 50, 14},
                                         {kWarning, K::Static, "", 10, 10, 180, 8}}});
    script::clear();
    script::queue("Dialog", "escape");
    EXPECT_EQ(IDOK, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kOkOnlyDialogId), nullptr, okOnlyProcedure, 0));
    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Dialog 305: Náhled – č. 1 | 1 default \"OK\" | 10 static \"Náhled – č. 1\"", lines[0]);
}

// A static that notifies takes a click as a command; one that does not
// cannot be pressed.
TEST_F(TemplateDialogs, OnlyANotifyingStaticTakesClicks) {
    const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    ASSERT_NE(nullptr, richEdit);
    script::queue("Dialog", "press:14");
    script::queue("Dialog", "press:6");
    EXPECT_EQ(IDYES, show());
    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[1].find("13 richedit \"details\" | 14 static \"Podrobnosti\"")) << lines[1];

    std::vector<std::string> problems;
    script::onUnanswered([&](const std::string& problem) {
        problems.push_back(problem);
        return 0;
    });
    script::queue("Dialog", "press:10");
    EXPECT_EQ(-1, show());
    EXPECT_EQ(ERROR_CANCELLED, GetLastError());
    EXPECT_EQ(1u, problems.size());
    script::onUnanswered(nullptr);
    FreeLibrary(richEdit);
}

TEST_F(TemplateDialogs, NoDialogWithoutItsTemplateOrTheRichEditLibrary) {
    ASSERT_EQ(nullptr, GetModuleHandleA("RICHED32.DLL"));
    EXPECT_EQ(-1, show());
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
    EXPECT_EQ(-1, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId + 1), nullptr, sampleProcedure, 0));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_TRUE(script::transcript().empty());
}

constexpr int kComboDialogId = 320;
constexpr int kCombo = 12;

// Inserts into the extended combo box at the end, at the top and past the
// end, selects a row and inserts above it; ends with the row the user
// selected, or the refusals' sum when one of them was taken.
INT_PTR comboProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const auto insert = [dialog](INT_PTR place, const char* text) {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT;
        item.iItem = place;
        item.pszText = const_cast<char*>(text);
        return SendDlgItemMessageA(dialog, kCombo, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    };
    if (message == WM_INITDIALOG) {
        COMBOBOXEXITEMW wide{};
        wide.mask = CBEIF_TEXT;
        wide.iItem = -1;
        wide.pszText = const_cast<char16_t*>(u"Pečeť");
        const bool placed =
            SendDlgItemMessageW(dialog, kCombo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&wide)) == 0 &&
            insert(0, "Podpis") == 0 && insert(-1, "Raz\xEDtko") == 2;
        const LRESULT refused = insert(4, "za koncem") + insert(-2, "p\xF8" "ed za\xE8\xE1tkem") +
                                SendDlgItemMessageA(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("jinak"));
        SendDlgItemMessageA(dialog, kCombo, CB_SETCURSEL, 1, 0);
        const bool shifted = insert(1, "Nic") == 1 && SendDlgItemMessageA(dialog, kCombo, CB_GETCURSEL, 0, 0) == 2;
        if (!placed || refused != 3 * CB_ERR || !shifted) EndDialog(dialog, 1000);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kCombo && HIWORD(wParam) == CBN_SELCHANGE)
        EndDialog(dialog, SendDlgItemMessageA(dialog, kCombo, CB_GETCURSEL, 0, 0) +
                              10 * SendDlgItemMessageA(dialog, kCombo, CB_GETCOUNT, 0, 0));
    return TRUE;
}

TEST_F(TemplateDialogs, AnExtendedComboBoxTakesItemsAtTheirPlacesAndItsRowsAreSelected) {
    ui::declareDialogTemplate(kModule, {kComboDialogId, 120, 60, "MS Sans Serif", 8, "Razítko",
                                        {{kCombo, ui::ControlKind::ComboBoxEx, "", 10, 10, 100, 60}}});
    script::queue("Dialog", "select:12:3");
    EXPECT_EQ(43, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kComboDialogId), nullptr, comboProcedure, 0));
    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Dialog 320: Razítko | 12 comboex \"\" [\"Podpis\", \"Nic\", \"Pečeť\", \"Razítko\"] sel 2",
              lines[0]);
}

constexpr int kLinkDialogId = 330;
constexpr int kSigner = 205;
constexpr int kSignerLabel = 203;

// Turns the signer's name into a link at start and paints every static
// red; a click on the link ends the dialog with its id, unless one of the
// refused conversions was taken.
INT_PTR linkProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        bool refused = !ConvertStaticToHyperlink(dialog, 999) && GetLastError() == ERROR_CONTROL_ID_NOT_FOUND;
        refused = refused && !ConvertStaticToHyperlink(GetDlgItem(dialog, IDCANCEL)) &&
                  GetLastError() == ERROR_INVALID_PARAMETER;
        refused = refused && !ConvertStaticToHyperlink(dialog) && GetLastError() == ERROR_INVALID_WINDOW_HANDLE;
        if (!refused || ConvertStaticToHyperlink(dialog, kSigner) != 1) EndDialog(dialog, 1000);
        SetDlgItemTextA(dialog, kSigner, "Jan Nov\xE1k");
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

TEST_F(TemplateDialogs, AStaticTurnedIntoAHyperlinkIsDarkBlueAndItsClickIsItsCommand) {
    using K = ui::ControlKind;
    ui::declareDialogTemplate(kModule, {kLinkDialogId, 200, 60, "MS Shell Dlg", 8, "Potvrzení",
                                        {{kSignerLabel, K::Static, "Podepsat certifikátem:", 10, 10, 80, 8},
                                         {kSigner, K::Static, "", 95, 10, 100, 8},
                                         {IDCANCEL, K::Button, "Storno", 75, 40, 50, 14}}});
    const auto show = [] {
        return DialogBoxParamA(kModule, MAKEINTRESOURCEA(kLinkDialogId), nullptr, linkProcedure, 0);
    };
    script::queue("Dialog", "press:205");
    EXPECT_EQ(kSigner, show());
    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("203 static \"Podepsat certifikátem:\" color #FF0000 | "
                                               "205 link \"Jan Novák\" color #0000C0 | "))
        << lines[0];

    // The label beside it stays a plain static: it cannot be clicked.
    std::vector<std::string> problems;
    script::onUnanswered([&](const std::string& problem) {
        problems.push_back(problem);
        return 0;
    });
    script::queue("Dialog", "press:203");
    EXPECT_EQ(-1, show());
    EXPECT_EQ(1u, problems.size());
    script::onUnanswered(nullptr);
}

constexpr int kOwnerDialogId = 310;

// Yes opens three dialogs of the same template, over the active window,
// over this dialog by its handle and over nothing; Cancel ends a dialog.
INT_PTR ownerProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
    if (LOWORD(wParam) == IDYES)
        for (const HWND owner : {GetActiveWindow(), dialog, HWND{nullptr}})
            DialogBoxParamA(kModule, MAKEINTRESOURCEA(kOwnerDialogId), owner, ownerProcedure, 0);
    return TRUE;
}

// Presses Yes in the first dialog it runs and closes every one; records
// each dialog's state and what it stands over.
class OwnerRecorder final : public ui::Backend {
public:
    struct Seen {
        const ui::DialogState* state;
        const ui::DialogState* owner;
    };
    explicit OwnerRecorder(std::vector<Seen>& seen) : m_seen(seen) {}
    const char* name() const noexcept override { return "owners"; }
    int messageBox(const ui::MessageBoxRequest&) override { return ui::kBoxClosed; }
    bool openWith(const ui::OpenWithRequest&) override { return false; }
    void runDialog(ui::DialogSession& session) override {
        m_seen.push_back({&session.state(), session.state().owner});
        if (m_seen.size() == 1) session.press(IDYES);
        session.close();
    }

private:
    std::vector<Seen>& m_seen;
};

TEST_F(TemplateDialogs, ADialogOpenedOverAnotherKnowsWhichItStandsOver) {
    using K = ui::ControlKind;
    ui::declareDialogTemplate(kModule, {kOwnerDialogId, 100, 60, "MS Shell Dlg", 8, "Nad",
                                        {{IDYES, K::DefaultButton, "&Ano", 10, 40, 40, 14},
                                         {IDCANCEL, K::Button, "Storno", 50, 40, 40, 14}}});
    std::vector<OwnerRecorder::Seen> seen;
    ui::setBackend(std::make_unique<OwnerRecorder>(seen));
    EXPECT_EQ(IDCANCEL, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kOwnerDialogId), GetDesktopWindow(),
                                        ownerProcedure, 0));
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(nullptr, seen[0].owner) << "the desktop is no dialog";
    EXPECT_EQ(seen[0].state, seen[1].owner) << "the active window";
    EXPECT_EQ(seen[0].state, seen[2].owner) << "the dialog's handle";
    EXPECT_EQ(nullptr, seen[3].owner) << "no owner";
}

}  // namespace
