#include "testkit/screen_user.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/ui.h"
#include "testkit/process.h"
#include "testkit/sanitize_build.h"

namespace testkit {

namespace {

using namespace std::chrono_literals;

const std::map<std::string, std::string>& gtkOnX() {
    static const std::map<std::string, std::string> settings{
        {"PLATFORM_UI", "gtk"}, {"GDK_BACKEND", "x11"}, {"GSK_RENDERER", "cairo"},
        {"NO_AT_BRIDGE", "1"},  {"GTK_A11Y", "none"},   {"GSETTINGS_BACKEND", "memory"}};
    return settings;
}

RunResult xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunOptions options;
    options.timeout = 10s;
    return run(args, options);
}

}  // namespace

ScreenUser::ScreenUser(std::chrono::seconds limit) {
    for (const auto& [name, value] : gtkOnX()) {
        const char* previous = std::getenv(name.c_str());
        m_previousEnv[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
        setenv(name.c_str(), value.c_str(), 1);
    }
    platform::ui::setBackend(nullptr);
    m_watchdog = std::thread([this, limit] { watch(limit * kSlowdown); });
}

ScreenUser::~ScreenUser() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_one();
    m_watchdog.join();
    platform::ui::setBackend(nullptr);
    for (const auto& [name, value] : m_previousEnv) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

void ScreenUser::watch(std::chrono::seconds limit) {
    std::unique_lock lock(m_mutex);
    if (m_done.wait_for(lock, limit, [this] { return m_finished; })) return;
    ADD_FAILURE() << "a window was still up after " << limit.count() << " s; killing the X server";
    m_xvfb.kill();
}

namespace {

// A shot without a name of its own is named after the test, so that tests
// running at once never write one file.
std::string shotName(const Shot& shot) {
    if (!shot.name.empty()) return shot.name;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "screen-user";
    std::replace(name.begin(), name.end(), '/', '-');
    return name + "-answered";
}

RunResult press(const std::string& window, const std::string& keys) {
    std::vector<std::string> command{"windowfocus", "--sync", window, "key", "--delay", "50"};
    std::istringstream each(keys);
    for (std::string key; each >> key;) command.push_back(key);
    return xdotool(command);
}

}  // namespace

std::string ScreenUser::shown(const std::string& title) {
    const std::string window = findWindow(title);
    if (window.empty()) {
        ADD_FAILURE() << "no window \"" << title << "\" appeared";
        m_xvfb.kill();
    }
    return window;
}

void ScreenUser::answer(const std::string& title, const std::string& keys, const Shot& shot) {
    const std::string window = shown(title);
    if (window.empty()) return;
    // Mapped is not yet drawn: the keys wait until the window shows its
    // texts.
    EXPECT_NO_THROW(m_xvfb.screenshotShowing(shotName(shot), window, shot.texts));
    const auto typed = press(window, keys);
    EXPECT_EQ(0, typed.exitCode) << typed.err;
}

void ScreenUser::seen(const std::string& title, const std::string& window, const Shot& shot) {
    try {
        m_xvfb.screenshotShowing(shotName(shot), window, shot.texts);
    } catch (const std::runtime_error& unread) {
        if (findWindow(title, 500ms) == window) ADD_FAILURE() << unread.what();
    }
}

void ScreenUser::look(const std::string& title, const Shot& shot) {
    const std::string window = shown(title);
    if (!window.empty()) seen(title, window, shot);
}

void ScreenUser::answerUntilGone(const std::string& title, const std::string& keys, const Shot& shot) {
    std::string window = shown(title);
    if (window.empty()) return;
    seen(title, window, shot);
    // The watchdog ends a window that never goes.
    while (!window.empty()) {
        press(window, keys);
        window = findWindow(title, 500ms);
    }
}

}  // namespace testkit
