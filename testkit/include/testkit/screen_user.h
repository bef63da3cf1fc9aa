// A person at an X server of the test's own who answers the UI layer's GTK
// windows with real key presses (XTEST, through xdotool). Nothing may hang:
// every outside program runs under a time-out, and a watchdog kills the X
// server when the user is still needed after the time limit, which ends
// the process (GTK exits when it loses its display). The sanitize build
// allows three times the limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testkit/xvfb.h"

namespace testkit {

class ScreenUser {
public:
    // Starts the X server and sets the environment for GTK windows on it
    // (PLATFORM_UI=gtk, X11, the cairo renderer, no accessibility bus, the
    // settings GTK keeps, the file choosers' among them, in memory); the
    // UI layer chooses its backend again at its next question.
    explicit ScreenUser(std::chrono::seconds limit = std::chrono::seconds(150));
    ~ScreenUser();
    ScreenUser(const ScreenUser&) = delete;
    ScreenUser& operator=(const ScreenUser&) = delete;

    // Waits for the window of exactly that title and for the shot of it
    // showing its texts, focuses the window and presses the keys
    // (xdotool's names, blank-separated). Reports a failure, and kills the
    // X server, when no such window appears; a failure naming the shot and
    // what was read when the texts do not show.
    void answer(const std::string& title, const std::string& keys, const Shot& shot);

    // The same for a window whose keys act only once it has reached its
    // last state (a dialog whose button is enabled at its end), the shot's
    // texts being that state's: the keys are pressed again until no window
    // of that title stays.
    void answerUntilGone(const std::string& title, const std::string& keys, const Shot& shot);

    // Waits for a window that goes by itself (a download's) and leaves the
    // shot of it showing its texts. A window gone before they were read was
    // still seen; one that stays without them is a failure.
    void look(const std::string& title, const Shot& shot);

    // The server the user looks at, for shots of what has no text.
    const Xvfb& screen() const noexcept { return m_xvfb; }

    // Runs ask() on this thread, which shows the window, while another
    // thread answers it; ask()'s result.
    template <class Ask>
    auto answered(const std::string& title, const std::string& keys, Ask ask, const Shot& shot) {
        auto user = std::async(std::launch::async, [&] { answer(title, keys, shot); });
        auto result = ask();
        user.get();
        return result;
    }

private:
    void watch(std::chrono::seconds limit);
    // The window of that title once it came; empty, a failure and the X
    // server killed when it did not.
    std::string shown(const std::string& title);
    // Waits for the shot of the window showing its texts; a failure unless
    // the window went meanwhile.
    void seen(const std::string& title, const std::string& window, const Shot& shot);

    std::map<std::string, std::optional<std::string>> m_previousEnv;
    Xvfb m_xvfb;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watchdog;
};

}  // namespace testkit

// Skips the test (outside CI) or fails it (in CI) when a program the
// screen user needs is missing.
#define TESTKIT_REQUIRE_SCREEN()              \
    do {                                      \
        TESTKIT_REQUIRE_PROGRAM("Xvfb");      \
        TESTKIT_REQUIRE_PROGRAM("xdotool");   \
        TESTKIT_REQUIRE_PROGRAM("import");    \
        TESTKIT_REQUIRE_PROGRAM("tesseract"); \
    } while (0)
