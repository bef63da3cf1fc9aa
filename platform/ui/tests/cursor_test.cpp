// The wait cursor of a long operation: loaded, set, set back, each change
// seen by the script backend in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/error.h"
#include "win32/ui.h"

namespace script = platform::ui::script;

namespace {

class Cursor : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    ScopedEnv m_setting{"PLATFORM_UI", "script"};
};

TEST_F(Cursor, WaitCursorShownThenPreviousRestored) {
    const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(nullptr, wait);
    ASSERT_NE(nullptr, arrow);
    EXPECT_NE(wait, arrow);
    EXPECT_EQ(wait, LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_WAIT_ID)));

    // The process starts with the arrow.
    const HCURSOR previous = SetCursor(wait);
    EXPECT_EQ(arrow, previous);
    EXPECT_EQ(wait, SetCursor(previous));
    EXPECT_EQ(arrow, SetCursor(nullptr));
    EXPECT_EQ(nullptr, SetCursor(arrow));
    EXPECT_EQ((std::vector<std::string>{"wait", "arrow", "hidden", "arrow"}), script::cursorHistory());
}

TEST_F(Cursor, UnknownCursorsRefusedAndNothingChanges) {
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, LoadCursorW(nullptr, u"WAIT"));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, LoadCursorA(reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}), IDC_WAIT));
    EXPECT_EQ(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());

    const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    const HCURSOR before = SetCursor(wait);
    const HCURSOR forged = reinterpret_cast<HCURSOR>(reinterpret_cast<std::uintptr_t>(wait) + 1);
    EXPECT_EQ(nullptr, SetCursor(forged));
    EXPECT_EQ(ERROR_INVALID_CURSOR_HANDLE, GetLastError());
    // The wait cursor is still the one shown.
    EXPECT_EQ(wait, SetCursor(before));
    EXPECT_EQ((std::vector<std::string>{"wait", "arrow"}), script::cursorHistory());
}

}  // namespace
