// The component's modal dialog base: the object gets its window's messages
// from the first one on, fills a drop-down list and an extended combo box
// from the template's initialisation data (stopping at a record that
// overruns it), centres itself on the work area, and learns of its
// window's final message once. The initialisation records read from
// truncated and hostile bytes. Where a dialog is centred, over rectangles
// alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_init_records.h"
#include "modal_dialog.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

// Its data: "alfa" for the list, "Podpis" and "Pečeť" (Windows-1250) for the
// combo box, "beta" for the list, then a record longer than the data.
constexpr int kTemplateId = 301;
constexpr int kList = 11;
constexpr int kCombo = 12;

class ListDialog : public TModalDialog {
public:
    BOOL ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result, DWORD) override {
        if (message == WM_INITDIALOG) {
            initialisedWith = m_hWnd;
            ApplyDialogInitData(m_hWnd, ModuleInstance(), kTemplateId);
            CenterDialog(m_hWnd);
            GetWindowRect(m_hWnd, &placed);
            result = TRUE;
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(m_hWnd, 40 + SendDlgItemMessageA(m_hWnd, kList, CB_GETCURSEL, 0, 0));
            return TRUE;
        }
        return FALSE;
    }
    void OnFinalMessage(HWND window) override {
        ++finalMessages;
        finalWindow = window;
    }

    HWND initialisedWith = nullptr;
    RECT placed{};
    int finalMessages = 0;
    HWND finalWindow = nullptr;
};

TEST(ModalDialog, RunsBoundToItsWindowFillsItsListCentresItselfAndEndsOnce) {
    using K = platform::ui::ControlKind;
    platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(),
                                        {kTemplateId, 200, 100, "MS Shell Dlg", 8, "Seznam",
                                         {{kList, K::DropDownList, "", 10, 10, 100, 60},
                                          {kCombo, K::ComboBoxEx, "", 10, 30, 100, 60},
                                          {IDCANCEL, K::Button, "Storno", 140, 80, 50, 14}}});
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    script::clear();
    platform::ui::setBackend(nullptr);
    script::queue("Dialog", "select:11:1");
    script::queue("Dialog", "close");

    ListDialog dialog;
    EXPECT_EQ(41, dialog.DoModal(nullptr, kTemplateId));

    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("11 dropdown \"\" [\"alfa\", \"beta\"] sel -1 | "
                                               "12 comboex \"\" [\"Podpis\", \"Pečeť\"] sel -1"))
        << lines[0];
    // 200 x 100 dialog units are 300 x 162 pixels, centred on the 1280 x 984 work area.
    EXPECT_EQ(490, dialog.placed.left);
    EXPECT_EQ(411, dialog.placed.top);
    EXPECT_EQ(790, dialog.placed.right);
    EXPECT_EQ(1, dialog.finalMessages);
    EXPECT_NE(nullptr, dialog.initialisedWith);
    EXPECT_EQ(dialog.initialisedWith, dialog.finalWindow);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(0u, script::pending());
    script::clear();
    platform::ui::setBackend(nullptr);
}

std::vector<std::uint8_t> record(std::uint16_t control, std::uint16_t message, std::uint32_t length,
                                 std::string_view data) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(control), static_cast<std::uint8_t>(control >> 8),
                                    static_cast<std::uint8_t>(message), static_cast<std::uint8_t>(message >> 8)};
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(length >> shift));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<std::string> textsOf(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> texts;
    for (const auto& r : ReadDialogInitRecords(data))
        texts.push_back(std::to_string(r.control) + ":" + std::to_string(r.message) + ":" + r.text);
    return texts;
}

using Texts = std::vector<std::string>;

TEST(DialogInitRecords, EndAtTheTerminatorOrBeforeTheFirstRecordThatDoesNotFit) {
    const auto first = record(11, 0x0403, 5, std::string_view("alfa\0", 5));
    const auto second = record(12, 0x1234, 6, std::string_view("beta\0\0", 6));
    EXPECT_EQ((Texts{"11:1027:alfa", "12:4660:beta"}), textsOf(joined({first, second})));
    EXPECT_EQ((Texts{"11:1027:alfa"}), textsOf(joined({first, {0, 0}, second}))) << "a control id of 0 ends them";
    EXPECT_EQ(Texts{}, textsOf({})) << "no data";

    // Cut anywhere inside the second record: the first alone, nothing read
    // past the end (the sanitizers' builds watch the reads).
    const auto whole = joined({first, second});
    for (std::size_t size = first.size(); size < whole.size(); ++size)
        EXPECT_EQ((Texts{"11:1027:alfa"}), textsOf({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)}))
            << size << " bytes";

    // Lengths that reach past the data, up to the largest, stop the list.
    for (const std::uint32_t length : {6u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        EXPECT_EQ((Texts{"11:1027:alfa"}), textsOf(joined({first, record(12, 0x1234, length, "beta")}))) << length;

    // A text without its NUL ends with its data; an empty one is empty.
    EXPECT_EQ((Texts{"11:1027:gama", "11:1027:"}),
              textsOf(joined({record(11, 0x0403, 4, "gama"), record(11, 0x0403, 0, "")})));
}

using Corners = std::array<LONG, 4>;

Corners corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(ModalDialog, CentresOnItsOwnerOrItsBoundsAndStaysInside) {
    const RECT work{0, 0, 1280, 984};
    const RECT dialog{5, 5, 305, 167};  // 300 x 162, wherever it stands now
    const RECT owner{100, 200, 701, 601};
    EXPECT_EQ((Corners{250, 319, 550, 481}), corners(CentredRect(dialog, &owner, work))) << "over a shown owner";
    EXPECT_EQ((Corners{490, 411, 790, 573}), corners(CentredRect(dialog, nullptr, work))) << "no owner, or a hidden one";

    // An owner near an edge: the dialog stays on the work area.
    const RECT left{-400, 300, 0, 500};
    EXPECT_EQ((Corners{0, 319, 300, 481}), corners(CentredRect(dialog, &left, work)));
    const RECT right{1200, 300, 1400, 500};
    EXPECT_EQ((Corners{980, 319, 1280, 481}), corners(CentredRect(dialog, &right, work)));
    const RECT top{500, -100, 700, 0};
    EXPECT_EQ((Corners{450, 0, 750, 162}), corners(CentredRect(dialog, &top, work)));
    const RECT bottom{500, 950, 700, 1024};
    EXPECT_EQ((Corners{450, 822, 750, 984}), corners(CentredRect(dialog, &bottom, work)));

    // Larger than the work area: its top left corner.
    const RECT huge{0, 0, 1400, 1100};
    EXPECT_EQ((Corners{0, 0, 1400, 1100}), corners(CentredRect(huge, &owner, work)));
    const RECT offset{100, 50, 900, 650};
    EXPECT_EQ((Corners{100, 50, 1500, 1150}), corners(CentredRect(huge, nullptr, offset)));

    // A child in its parent's client area of 400 x 300.
    const RECT client{0, 0, 400, 300};
    EXPECT_EQ((Corners{50, 69, 350, 231}), corners(CentredRect(dialog, &client, client)));
}

}  // namespace
