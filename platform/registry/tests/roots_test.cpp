// Several platform roots in one process, and databases that are not ours.
#include "registry_fixture.h"

using namespace registry_test;

namespace {

TEST_F(Registry, EachRootHasItsOwnRegistryAndHandlesStayWithTheirs) {
    Key first = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    ASSERT_EQ(ERROR_SUCCESS, setDword(first.get(), u"Root", 1));
    {
        testkit::PlatformRoot second;
        EXPECT_FALSE(exists(HKEY_CURRENT_USER, u"Software\\Tesk"));
        Key other = create(HKEY_CURRENT_USER, u"Software\\Tesk");
        ASSERT_EQ(ERROR_SUCCESS, setDword(other.get(), u"Root", 2));
        // A handle opened under the first root still reads and writes there.
        EXPECT_EQ(1u, dwordOf(first.get(), u"Root"));
        ASSERT_EQ(ERROR_SUCCESS, setDword(first.get(), u"Later", 3));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(other.get(), u"Later", nullptr, nullptr, nullptr, nullptr));
    }
    Key again;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"Software\\Tesk", KEY_READ, again));
    EXPECT_EQ(1u, dwordOf(again.get(), u"Root"));
    EXPECT_EQ(3u, dwordOf(again.get(), u"Later"));
}

TEST_F(Registry, AFileThatIsNoDatabaseIsReportedAsCorrupt) {
    testkit::PlatformRoot broken;
    broken.write("registry.db", std::string(8192, 'x'));
    Key key;
    EXPECT_EQ(ERROR_BADDB, openKey(HKEY_CURRENT_USER, u"Software", KEY_READ, key));
}

}  // namespace
