// The busy window on its own thread, through the script backend: ready
// before the first text, shown once for two texts, hidden while another
// window is in front and shown again when the program's is; no wait when
// it cannot be made; a close that a stuck busy thread holds only until
// the bound.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "busy_window.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/scoped_env.h"
#include "win32/datetime.h"
#include "win32/messages.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;
using Clock = std::chrono::steady_clock;

HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7300});
HINSTANCE const kModuleWithoutDialog = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7400});

// Takes this thread's messages (the busy thread repaints the program's
// window through them) until the condition holds or the time is up.
bool pumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto until = Clock::now() + limit;
    MSG message;
    while (!condition() && Clock::now() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    return condition();
}

std::u16string busyText(HWND busy) {
    char16_t text[128] = {};
    GetDlgItemTextW(busy, halvex::kBusyTextId, text, 128);
    return text;
}

HWND plainWindow() {
    return CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

class Busy : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        halvex::DeclareBusyDialogTemplate(kModule);
        ASSERT_TRUE(SetForegroundWindow(m_program));
    }
    void TearDown() override {
        DestroyWindow(m_other);
        DestroyWindow(m_program);
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
    const HWND m_program = plainWindow();
    const HWND m_other = plainWindow();
};

TEST_F(Busy, ReadyBeforeTheFirstTextShownOnceAndHiddenWhileAnotherWindowIsInFront) {
    halvex::BusyWindow busy;
    ASSERT_TRUE(busy.Start(kModule, m_program));
    const HWND window = busy.Window();
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(IsWindowVisible(window));

    busy.ShowBusy(33034);
    EXPECT_EQ(u"Čekejte prosím ...", busyText(window));
    busy.ShowBusy(33073);
    EXPECT_EQ(u"Připravuji generátor žádosti ...", busyText(window));
    EXPECT_TRUE(IsWindowVisible(window));

    // A tick is 500 ms; the rest is the margin of a loaded machine.
    const std::chrono::milliseconds tick(800);
    SetForegroundWindow(m_other);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(window); }, tick)) << "hidden within a tick";
    SetForegroundWindow(m_program);
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(window); }, tick)) << "back within a tick";
    EXPECT_EQ(m_program, GetForegroundWindow()) << "shown without taking the front";
    // The tick that showed it asks this thread to repaint the program's
    // window; that request is taken before the close waits.
    Sleep(100);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);

    busy.HideBusy();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(u"", busyText(window));
    EXPECT_EQ("arrow", script::cursorHistory().back());
    EXPECT_TRUE(busy.Close());

    EXPECT_EQ((std::vector<std::string>{"Dialog 101:  | 133 static \"\" | 134 progress \"\" marquee",
                                        "Dialog 101 topmost", "Dialog 101 shown", "Dialog 101 133 \"Čekejte prosím ...\"",
                                        "Dialog 101 133 \"Připravuji generátor žádosti ...\"", "Dialog 101 hidden",
                                        "Dialog 101 shown", "Dialog 101 hidden", "Dialog 101 133 \"\"",
                                        "Dialog 101 destroyed"}),
              script::transcript());
}

TEST_F(Busy, AWindowThatCannotBeMadeIsNoWaitAndNothingToClose) {
    halvex::BusyWindow busy;
    const auto start = Clock::now();
    EXPECT_FALSE(busy.Start(kModuleWithoutDialog, m_program));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(nullptr, busy.Window());
    busy.ShowBusy(33034);
    busy.HideBusy();
    EXPECT_TRUE(busy.Close());
    EXPECT_TRUE(script::transcript().empty());
}

// The busy thread repaints the program's window when it shows itself
// again; while this thread takes no messages that repaint waits, and the
// close must not wait for it longer than its bound.
TEST_F(Busy, AStuckBusyThreadHoldsTheCloseOnlyUntilTheBound) {
    halvex::BusyWindow busy;
    ASSERT_TRUE(busy.Start(kModule, m_program));
    const HWND window = busy.Window();
    busy.ShowBusy(33034);
    SetForegroundWindow(m_other);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindowVisible(window); }));
    SetForegroundWindow(m_program);
    Sleep(1200);  // a tick comes and its repaint waits for this thread

    const auto start = Clock::now();
    EXPECT_FALSE(busy.Close(300));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(2));

    // Once this thread takes its messages again, the thread ends; a later
    // close waits no more than what the first one had left.
    const auto again = Clock::now();
    EXPECT_FALSE(busy.Close(5000));
    EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(100));
    EXPECT_TRUE(pumpUntil([&] { return busy.Close(0); }));
}

}  // namespace
