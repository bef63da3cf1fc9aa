// The program's profile gets its two defaults only where nothing readable
// stands, and the application version comes from it.
#include <gtest/gtest.h>

#include "halvex/profile.h"
#include "testkit/platform_root.h"
#include "testkit/registry_lines.h"

namespace halvex {
namespace {

TEST(HalvexProfile, DefaultsAreWrittenWhereNothingReadableStandsAndReadValuesStay) {
    testkit::PlatformRoot root;
    InitAppVersion();
    InitAppEnvironment();
    EXPECT_EQ((std::set<std::string>{"Software\\Tesk\\Tesk Halvex\\Workspace [AppEnvironment] = type 4",
                                     "Software\\Tesk\\Tesk Halvex\\Workspace [AppVersion] = 1.0.0.0"}),
              testkit::registryLines(HKEY_CURRENT_USER, u"Software\\Tesk"));
    EXPECT_EQ(kEnvironmentProduction, GetProfileInt(kWorkspaceSection, u"AppEnvironment", 7));
    const VersionNumbers initial = GetAppVersionNumbers();
    EXPECT_EQ((std::vector<DWORD>{1, 0, 0, 0}), std::vector<DWORD>(initial.part, initial.part + 4));

    ASSERT_TRUE(WriteProfileString(kWorkspaceSection, u"AppVersion", u"2.7.14.305"));
    ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentDevelopment));
    InitAppVersion();
    InitAppEnvironment();
    EXPECT_EQ(u"2.7.14.305", GetProfileString(kWorkspaceSection, u"AppVersion", u""));
    EXPECT_EQ(kEnvironmentDevelopment, GetProfileInt(kWorkspaceSection, u"AppEnvironment", 7));
    const VersionNumbers kept = GetAppVersionNumbers();
    EXPECT_EQ((std::vector<DWORD>{2, 7, 14, 305}), std::vector<DWORD>(kept.part, kept.part + 4));

    // A text where a number belongs is not a number: the default replaces it.
    ASSERT_TRUE(WriteProfileString(kWorkspaceSection, u"AppEnvironment", u"1"));
    EXPECT_EQ(7u, GetProfileInt(kWorkspaceSection, u"AppEnvironment", 7));
    InitAppEnvironment();
    EXPECT_EQ(kEnvironmentProduction, GetProfileInt(kWorkspaceSection, u"AppEnvironment", 7));
    EXPECT_EQ(u"none", GetProfileString(u"Elsewhere", u"AppVersion", u"none"));
}

}  // namespace
}  // namespace halvex
