// Which backend a process gets from its environment.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/error.h"
#include "win32/ui.h"

namespace {

std::string chosen(std::optional<std::string> setting, std::optional<std::string> display,
                   std::optional<std::string> wayland = std::nullopt) {
    const ScopedEnv ui("PLATFORM_UI", std::move(setting));
    const ScopedEnv x("DISPLAY", std::move(display));
    const ScopedEnv w("WAYLAND_DISPLAY", std::move(wayland));
    platform::ui::setBackend(nullptr);
    std::string name = platform::ui::backend().name();
    platform::ui::setBackend(nullptr);
    return name;
}

}  // namespace

TEST(BackendChoice, TheSettingWinsElseADisplayGivesGtk) {
    EXPECT_EQ("script", chosen("script", ":0"));
    EXPECT_EQ("gtk", chosen("gtk", std::nullopt));
    EXPECT_EQ("gtk", chosen(std::nullopt, ":0"));
    EXPECT_EQ("gtk", chosen("", std::nullopt, "wayland-0"));
    EXPECT_EQ("script", chosen(std::nullopt, std::nullopt));
    EXPECT_EQ("script", chosen(std::nullopt, ""));
}

TEST(BackendChoiceDeathTest, AnUnknownSettingAborts) {
    EXPECT_DEATH(chosen("qt", ":0"), "PLATFORM_UI=qt is none of gtk, script, script:FILE");
    EXPECT_DEATH(chosen("script:", ":0"), "PLATFORM_UI=script: is none of");
}

// No test of this binary shows a real window, so GTK is first tried here
// and finds no display, for every thread.
TEST(BackendChoice, GtkWithoutADisplayIsAnErrorOnEveryThread) {
    const ScopedEnv ui("PLATFORM_UI", "gtk");
    const ScopedEnv x("DISPLAY", std::nullopt);
    const ScopedEnv w("WAYLAND_DISPLAY", std::nullopt);
    platform::ui::setBackend(nullptr);
    EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", MB_OK));
    EXPECT_EQ(ERROR_NOT_READY, GetLastError());
    std::thread([] {
        EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", MB_OK));
        EXPECT_EQ(ERROR_NOT_READY, GetLastError());
    }).join();
    platform::ui::setBackend(nullptr);
}
