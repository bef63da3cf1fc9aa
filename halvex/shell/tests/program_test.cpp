// The program as it is built and as scripts/demo starts it: the modules
// it and its libraries load by their Windows names stand beside it, a
// display that cannot be opened gives one line saying how to run it
// headless, not an uncaught exception, and a headless start without the
// platform root's set-up says what is missing instead of aborting.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/modules.h"

namespace {

namespace fs = std::filesystem;

TEST(Program, TheModulesItLoadsByTheirWindowsNamesStandBesideIt) {
    const testkit::PlatformRoot root;
    const ScopedEnv nowhere("PLATFORM_MODULE_PATH", "");
    const fs::path folder = fs::path(HALVEX_PROGRAM).parent_path();
    for (const char* name : {"hhctrl.ocx", "cryptui.dll", "RICHED32.DLL"}) {
        const std::u16string path = platform::text::fromUtf8((folder / name).string());
        const HMODULE module = LoadLibraryW(path.c_str());
        EXPECT_NE(nullptr, module) << name << " is not beside " << HALVEX_PROGRAM;
        if (module) FreeLibrary(module);
    }
}

TEST(Program, AWrongDisplayGivesOneLineOnHowToRunHeadless) {
    const testkit::PlatformRoot root;
    testkit::RunOptions options;
    options.cwd = root.path();
    options.env = {{"PLATFORM_ROOT", root.path().string()}, {"PLATFORM_UI", "gtk"}, {"DISPLAY", ":9999"},
                   {"GDK_BACKEND", "x11"}, {"WAYLAND_DISPLAY", ""}};
    const auto run = testkit::run({HALVEX_PROGRAM}, options);
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_EQ(0u, run.err.rfind("halvex: ", 0)) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    EXPECT_NE(std::string::npos, run.err.find("DISPLAY=:9999")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("PLATFORM_UI=script:")) << run.err;
}

// Started without a display in a platform root nobody set up, the program
// says on the terminal what is missing and how to start it, and ends with
// 1 rather than aborting.
TEST(Program, HeadlessWithoutItsSetUpSaysWhatIsMissingAndEnds) {
    const testkit::PlatformRoot root;
    testkit::RunOptions options;
    options.cwd = root.path();
    options.env = {{"PLATFORM_ROOT", root.path().string()}, {"PLATFORM_UI", ""}, {"DISPLAY", ""},
                   {"WAYLAND_DISPLAY", ""}};
    const auto run = testkit::run({HALVEX_PROGRAM}, options);
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_EQ(0u, run.err.rfind("halvex: ", 0)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(root.path().string())) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("scripts/demo")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("PLATFORM_UI=script:FILE")) << run.err;
}

}  // namespace
