// A real GTK message box on a private X server, answered with real key
// presses (XTEST, through xdotool). The test must never hang: every outside
// program runs under a time-out, and a watchdog kills the X server when a
// box stays up too long, which ends the process (GTK exits when it loses
// its display).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "../scoped_env.h"
#include "platform/ui.h"
#include "testkit/process.h"
#include "testkit/xvfb.h"
#include "win32/ui.h"

using namespace std::chrono_literals;

namespace {

class Watchdog {
public:
    Watchdog(testkit::Xvfb& xvfb, std::chrono::seconds limit)
        : m_thread([this, &xvfb, limit] {
              std::unique_lock lock(m_mutex);
              if (m_done.wait_for(lock, limit, [this] { return m_finished; })) return;
              ADD_FAILURE() << "a box was still up after " << limit.count() << " s; killing the X server";
              xvfb.kill();
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

testkit::RunResult xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    testkit::RunOptions options;
    options.timeout = 10s;
    return testkit::run(args, options);
}

// Waits for the box's window, optionally photographs the screen, focuses
// the window and presses the keys (blank-separated). Runs while the test's
// thread is inside MessageBoxW.
void answer(testkit::Xvfb& xvfb, const std::string& caption, const std::string& keys, const std::string& shot = {}) {
    const auto found = xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + caption + "$"});
    if (found.exitCode != 0 || found.out.empty()) {
        ADD_FAILURE() << "no window \"" << caption << "\" appeared: " << found.err;
        xvfb.kill();
        return;
    }
    const std::string window = found.out.substr(0, found.out.find('\n'));
    std::this_thread::sleep_for(500ms);  // the first frame is drawn after mapping
    if (!shot.empty()) {
        EXPECT_NO_THROW(xvfb.screenshot(shot));
    }
    std::vector<std::string> command{"windowfocus", "--sync", window, "key", "--delay", "50"};
    std::istringstream each(keys);  // blank-separated keys are pressed in turn
    for (std::string key; each >> key;) command.push_back(key);
    const auto typed = xdotool(command);
    EXPECT_EQ(0, typed.exitCode) << typed.err;
}

}  // namespace

TEST(MessageBoxOnScreen, EscapeCancelsAndTheMnemonicPressesNo) {
    TESTKIT_REQUIRE_PROGRAM("Xvfb");
    TESTKIT_REQUIRE_PROGRAM("xdotool");
    TESTKIT_REQUIRE_PROGRAM("import");
    const ScopedEnv ui("PLATFORM_UI", "gtk");
    const ScopedEnv backend("GDK_BACKEND", "x11");
    const ScopedEnv renderer("GSK_RENDERER", "cairo");
    const ScopedEnv noAccessibility("NO_AT_BRIDGE", "1");
    testkit::Xvfb xvfb;
    platform::ui::setBackend(nullptr);
    const Watchdog watchdog(xvfb, 40s);
    constexpr UINT kStyle = MB_YESNOCANCEL | MB_ICONWARNING;

    auto first = std::async(std::launch::async, [&] { answer(xvfb, "Tesk", "Escape", "ui-message-box-yesnocancel"); });
    EXPECT_EQ(IDCANCEL, MessageBoxW(nullptr, u"Opravdu chcete pokračovat?", u"Tesk", kStyle));
    first.get();

    auto second = std::async(std::launch::async, [&] { answer(xvfb, "Tesk znovu", "alt+n"); });
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Smazat podpis ze souboru?", u"Tesk znovu", kStyle | MB_DEFBUTTON1));
    second.get();

    platform::ui::setBackend(nullptr);
}

// The PIN prompt of card providers shares the boxes' machinery: typed
// digits and Enter give the PIN, Escape cancels.
TEST(PinPromptOnScreen, TypedDigitsAreThePinAndEscapeCancels) {
    TESTKIT_REQUIRE_PROGRAM("Xvfb");
    TESTKIT_REQUIRE_PROGRAM("xdotool");
    TESTKIT_REQUIRE_PROGRAM("import");
    const ScopedEnv ui("PLATFORM_UI", "gtk");
    const ScopedEnv backend("GDK_BACKEND", "x11");
    const ScopedEnv renderer("GSK_RENDERER", "cairo");
    const ScopedEnv noAccessibility("NO_AT_BRIDGE", "1");
    testkit::Xvfb xvfb;
    platform::ui::setBackend(nullptr);
    const Watchdog watchdog(xvfb, 40s);
    const platform::ui::PinRequest request{"Zintra CSP", "Reader 0"};

    auto typed = std::async(std::launch::async, [&] { answer(xvfb, "Zintra CSP", "0 4 2 Return", "ui-pin-prompt"); });
    EXPECT_EQ(std::optional<std::string>("042"), platform::ui::backend().askPin(request));
    typed.get();

    auto cancelled = std::async(std::launch::async, [&] { answer(xvfb, "Zintra CSP", "Escape"); });
    EXPECT_EQ(std::nullopt, platform::ui::backend().askPin(request));
    cancelled.get();

    platform::ui::setBackend(nullptr);
}
