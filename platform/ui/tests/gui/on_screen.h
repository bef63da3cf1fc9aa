// Real GTK windows on a private X server, answered with real key presses
// (XTEST, through xdotool). The tests must never hang: every outside
// program runs under a time-out, and a watchdog kills the X server when a
// window stays up too long, which ends the process (GTK exits when it
// loses its display).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "../scoped_env.h"
#include "platform/ui.h"
#include "testkit/process.h"
#include "testkit/xvfb.h"
#include "win32/ui.h"

namespace on_screen {

using namespace std::chrono_literals;

class Watchdog {
public:
    Watchdog(testkit::Xvfb& xvfb, std::chrono::seconds limit)
        : m_thread([this, &xvfb, limit] {
              std::unique_lock lock(m_mutex);
              if (m_done.wait_for(lock, limit, [this] { return m_finished; })) return;
              ADD_FAILURE() << "a window was still up after " << limit.count() << " s; killing the X server";
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

inline testkit::RunResult xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    testkit::RunOptions options;
    options.timeout = 10s;
    return testkit::run(args, options);
}

// Waits for the window of that title, optionally photographs the screen,
// focuses the window and presses the keys (blank-separated).
inline void answer(testkit::Xvfb& xvfb, const std::string& title, const std::string& keys, const std::string& shot) {
    const auto found = xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
    if (found.exitCode != 0 || found.out.empty()) {
        ADD_FAILURE() << "no window \"" << title << "\" appeared: " << found.err;
        xvfb.kill();
        return;
    }
    const std::string window = found.out.substr(0, found.out.find('\n'));
    std::this_thread::sleep_for(500ms);  // the first frame is drawn after mapping
    if (!shot.empty()) {
        EXPECT_NO_THROW(xvfb.screenshot(shot));
    }
    std::vector<std::string> command{"windowfocus", "--sync", window, "key", "--delay", "50"};
    std::istringstream each(keys);
    for (std::string key; each >> key;) command.push_back(key);
    const auto typed = xdotool(command);
    EXPECT_EQ(0, typed.exitCode) << typed.err;
}

class OnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("Xvfb");
        TESTKIT_REQUIRE_PROGRAM("xdotool");
        TESTKIT_REQUIRE_PROGRAM("import");
        m_xvfb.emplace();
        platform::ui::setBackend(nullptr);
        m_watchdog.emplace(*m_xvfb, 40s);
    }
    void TearDown() override {
        m_watchdog.reset();
        platform::ui::setBackend(nullptr);
    }
    // Asks on this thread while another answers the window with the keys.
    template <class Ask>
    auto answered(const std::string& title, const std::string& keys, Ask ask, const std::string& shot = {}) {
        auto user = std::async(std::launch::async, [&] { answer(*m_xvfb, title, keys, shot); });
        auto result = ask();
        user.get();
        return result;
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "gtk"};
    const ScopedEnv m_gdk{"GDK_BACKEND", "x11"};
    const ScopedEnv m_renderer{"GSK_RENDERER", "cairo"};
    const ScopedEnv m_noAccessibility{"NO_AT_BRIDGE", "1"};
    std::optional<testkit::Xvfb> m_xvfb;
    std::optional<Watchdog> m_watchdog;
};

}  // namespace on_screen
