#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lumvar/config.h"

namespace {

using lumvar::Config;

Config complete() {
    Config c;
    c.setClientApp("halvex");
    c.setDistroID("tesk");
    c.setAddress("https://update.example/lumvar");
    c.setAgentName(u"Halvex");
    c.setProgramPath(u"/opt/halvex");
    c.setDllPath(u"/opt/halvex/lib\\");
    c.setDownloadPath(u"/var/tmp/dl");
    c.setRelaxNGPath("/opt/halvex/rng");
    c.setVersion({1, 2, 0, 0});
    c.setLang(2);
    return c;
}

TEST(LumvarConfig, SettersTakeValidValuesAndRefuseOthersWithoutChange) {
    struct Case {
        const char* what;
        std::function<int(Config&)> set;
        int expected;
    };
    const Case cases[] = {
        {"client app of 32", [](Config& c) { return c.setClientApp(std::string(32, 'a')); }, 1},
        {"client app of 33", [](Config& c) { return c.setClientApp(std::string(33, 'a')); }, 0},
        {"empty distro", [](Config& c) { return c.setDistroID(""); }, 0},
        {"distro of 33", [](Config& c) { return c.setDistroID(std::string(33, 'd')); }, 0},
        {"empty address", [](Config& c) { return c.setAddress(""); }, 0},
        {"null agent", [](Config& c) { return c.setAgentName(static_cast<const char16_t*>(nullptr)); }, 0},
        {"null program path", [](Config& c) { return c.setProgramPath(static_cast<const char16_t*>(nullptr)); }, 0},
        {"empty download path", [](Config& c) { return c.setDownloadPath(std::u16string()); }, 0},
        {"empty schema folder", [](Config& c) { return c.setRelaxNGPath(""); }, 0},
        {"empty version", [](Config& c) { return c.setVersion({}); }, 0},
        {"language 3", [](Config& c) { return c.setLang(3); }, 0},
        {"language -1", [](Config& c) { return c.setLang(-1); }, 0},
        {"Slovak", [](Config& c) { return c.setLang(1); }, 1},
    };
    for (const Case& test : cases) {
        Config config = complete();
        const Config before = config;
        EXPECT_EQ(test.expected, test.set(config)) << test.what;
        EXPECT_EQ(1, config.isLoaded()) << test.what;
        if (test.expected == 0) {
            EXPECT_EQ(before.getClientApp(), config.getClientApp()) << test.what;
            EXPECT_EQ(before.getDistroID(), config.getDistroID()) << test.what;
            EXPECT_EQ(before.getProgramPath(), config.getProgramPath()) << test.what;
            EXPECT_EQ(*before.getVersion(), *config.getVersion()) << test.what;
            EXPECT_EQ(before.getLang(), config.getLang()) << test.what;
        }
    }
}

TEST(LumvarConfig, IsLoadedOnlyWhenEveryMemberWasSet) {
    Config empty;
    EXPECT_EQ(0, empty.isLoaded());
    EXPECT_EQ(lumvar::Czech, empty.getLang());
    EXPECT_TRUE(empty.getVersion()->empty());
    // A refused value leaves its member unset, so the whole stays incomplete.
    Config config;
    config.setClientApp(std::string(33, 'a'));
    config.setDistroID("tesk");
    config.setAddress("http://127.0.0.1/");
    config.setAgentName(u"a");
    config.setProgramPath(u"p");
    config.setDllPath(u"d");
    config.setDownloadPath(u"w");
    config.setRelaxNGPath("r");
    config.setVersion({1});
    config.setLang(0);
    EXPECT_EQ(0, config.isLoaded());
    EXPECT_EQ(1, config.setClientApp("halvex"));
    EXPECT_EQ(1, config.isLoaded());
}

TEST(LumvarConfig, FoldersEndInOneSeparator) {
    const Config c = complete();
    EXPECT_EQ(u"/opt/halvex\\", c.getProgramPath());
    EXPECT_EQ(u"/opt/halvex/lib\\", c.getDllPath());
    EXPECT_EQ(u"/var/tmp/dl\\", c.getDownloadPath());
    EXPECT_EQ("/opt/halvex/rng\\", c.getRelaxNGPath());
    EXPECT_EQ(std::u16string(u"/opt/halvex\\"), c.getProgramPathP());
    Config slash;
    slash.setProgramPath(u"/opt/halvex/");
    EXPECT_EQ(u"/opt/halvex/", slash.getProgramPath());
}

}  // namespace
