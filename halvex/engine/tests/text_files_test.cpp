#include <gtest/gtest.h>

#include "halvex/files_and_paths.h"
#include "platform/paths.h"
#include "testkit/platform_root.h"

namespace halvex {
namespace {

TEST(HalvexTextFiles, WritesUtf8WithoutMarkAndReadsWindows1250) {
    testkit::PlatformRoot root;
    const std::filesystem::path& folder = root.path();
    const std::u16string written = platform::paths::toWide(folder / "request.txt");
    ASSERT_TRUE(WriteTextToFile(written, u"Žluťoučký kůň\n"));
    EXPECT_EQ(root.read("request.txt"), "\xC5\xBD" "lu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88\n");

    root.write("ansi.txt", "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2\r\n");
    std::u16string text;
    ASSERT_TRUE(ReadFileToText(platform::paths::toWide(folder / "ansi.txt"), text));
    EXPECT_EQ(text, u"Žluťoučký kůň\r\n");

    EXPECT_FALSE(ReadFileToText(u"", text));
    EXPECT_FALSE(ReadFileToText(platform::paths::toWide(folder / "missing.txt"), text));
    EXPECT_FALSE(WriteTextToFile(platform::paths::toWide(folder / "no" / "such.txt"), u"x"));
}

TEST(HalvexTextFiles, ProgramNameAndFolder) {
    EXPECT_EQ(GetProgramName(), u"halvex_engine_tests");
    EXPECT_EQ(GetProgramFolder() + u"/" + GetProgramName(), GetModulePath());
}

}  // namespace
}  // namespace halvex
