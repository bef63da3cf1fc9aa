// The document plug-in host with real shared objects: variants of the
// recording plug-in (plugins/recording_plugin.cpp), copied into a folder of
// the test, write every call they receive to a file the test reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "plugin_manager.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "win32/error.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr char kMask[] = "Tesk*PluginKyd.so";

class PluginHost : public ::testing::Test {
protected:
    ~PluginHost() override { PluginManager::Destroy(); }

    // Copies the built plug-in Tesk<label>PluginKyd.so into the folder.
    void Install(const std::string& label) {
        const std::string name = "Tesk" + label + "PluginKyd.so";
        fs::copy_file(fs::path(MIRELO_TEST_PLUGIN_DIR) / name, folder / name);
    }

    // The calls recorded since the last look.
    Lines TakeCalls() {
        Lines lines;
        if (!fs::exists(calls)) return lines;
        std::istringstream in(testkit::readFile(calls));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        fs::remove(calls);
        return lines;
    }

    std::string PathOf(const std::string& label) const {
        return platform::paths::toAnsi(folder / ("Tesk" + label + "PluginKyd.so"));
    }

    testkit::PlatformRoot root;
    fs::path folder = root.path() / "plugins";
    fs::path calls = root.path() / "calls.log";
    ScopedEnv log{"KYD_TEST_PLUGIN_LOG", calls.string()};
    bool made = fs::create_directories(folder);
};

TEST_F(PluginHost, LoadAllPluginsLoadsOnlyRealPluginsForTheHostAndTellsThemLanguageThenCharset) {
    Install("Text");
    Install("Newer");
    Install("NoExit");
    // The three names as text only, and a damaged copy of a real plug-in.
    testkit::writeFile(folder / "TeskNotesPluginKyd.so", "KydPluginInit\nKydPluginCall\nKydPluginExit\n");
    const std::string real = testkit::readFile(folder / "TeskTextPluginKyd.so");
    testkit::writeFile(folder / "TeskCutPluginKyd.so", real.substr(0, real.size() / 2));
    testkit::writeFile(folder / "TeskOtherPlugin.so", real);

    TSignerKyd signer;
    signer.SetLogLevel(0xF);
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetSignCharset(3));
    ASSERT_TRUE(signer.LoadAllPlugins(platform::paths::toAnsi(folder), kMask));
    EXPECT_EQ(0, signer.GetLastErrorNumber());

    // Registered in name order from id 0; what is no plug-in is not registered.
    auto& plugins = PluginManager::Instance();
    ASSERT_NE(nullptr, plugins.FindById(0));
    EXPECT_EQ(PathOf("Newer"), plugins.FindById(0)->path);
    ASSERT_NE(nullptr, plugins.FindById(1));
    EXPECT_EQ(PathOf("NoExit"), plugins.FindById(1)->path);
    ASSERT_NE(nullptr, plugins.FindById(2));
    EXPECT_EQ(PathOf("Text"), plugins.FindById(2)->path);
    EXPECT_EQ(nullptr, plugins.FindById(3));

    EXPECT_EQ((Lines{"Newer init 3 Mirelo", "Newer exit 0 0", "Text init 3 Mirelo", "Text call 6 2",
                     "Text call 7 3"}),
              TakeCalls());
    EXPECT_NE(std::string::npos,
              signer.GetLogString().find("LoadAllPlugins(): plugin " + PathOf("Newer") +
                                         " has been designed for a different application version 4.0"));
    DWORD id = 99;
    EXPECT_TRUE(plugins.FindForType("TEXT/Plain", id));
    EXPECT_EQ(2u, id);
    EXPECT_FALSE(plugins.FindForType("application/x-newer", id));
    EXPECT_FALSE(plugins.FindForType("application/x-no-exit", id));

    // The same folder again, now with a trailing separator: nothing new is
    // registered, nothing loaded twice, the refused plug-in stays refused.
    ASSERT_TRUE(signer.LoadAllPlugins(platform::paths::toAnsi(folder) + "/", kMask));
    EXPECT_EQ(nullptr, plugins.FindById(3));
    EXPECT_EQ((Lines{"Text call 6 2", "Text call 7 3"}), TakeCalls());

    // Later changes reach the loaded plug-ins; refused ones do not.
    EXPECT_TRUE(signer.SetCfgLanguageStr("sk"));
    EXPECT_TRUE(signer.SetSignCharsetStr("cp852"));
    EXPECT_FALSE(signer.SetCfgLanguageNumber(7));
    EXPECT_FALSE(signer.SetSignCharset(9));
    EXPECT_EQ((Lines{"Text call 6 1", "Text call 7 1"}), TakeCalls());
}

TEST_F(PluginHost, LoadAllPluginsRefusesEmptyArgumentsAndTakesLongPathsAndFullWidthTypesWhole) {
    TSignerKyd signer;
    EXPECT_FALSE(signer.LoadAllPlugins("", kMask));
    EXPECT_EQ(30, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.LoadAllPlugins(platform::paths::toAnsi(folder), ""));
    EXPECT_EQ(30, signer.GetLastErrorNumber());
    SetLastError(5);
    EXPECT_TRUE(signer.LoadAllPlugins(platform::paths::toAnsi(root.path() / "missing"), kMask));
    EXPECT_EQ(5u, GetLastError()) << "the search's own error is not the caller's";
    auto& plugins = PluginManager::Instance();
    EXPECT_EQ(nullptr, plugins.FindById(0));
    EXPECT_EQ(1, plugins.CallAll(9, 0, 0, 0)) << "no plug-in: nothing to refuse";

    // A path far beyond 260 characters, and a type that fills its field.
    const std::string part(100, 'd');
    folder = folder / part / part / part;
    fs::create_directories(folder);
    Install("Wide");
    ASSERT_TRUE(signer.LoadAllPlugins(platform::paths::toAnsi(folder), kMask));
    ASSERT_NE(nullptr, plugins.FindById(0));
    EXPECT_EQ(PathOf("Wide"), plugins.FindById(0)->path);
    EXPECT_EQ((Lines{"Wide init 3 Mirelo", "Wide call 6 0", "Wide call 7 0"}), TakeCalls());
    DWORD id = 99;
    EXPECT_TRUE(plugins.FindForType("application/vnd.tesk.a-type-name-that-fills-all-of-its-fieldXXXX", id));
    EXPECT_EQ(0u, id);
    EXPECT_FALSE(plugins.FindForType("application/vnd.tesk.a-type-name-that-fills-all-of-its-field", id));
}

TEST_F(PluginHost, CallAllIsTheAndOfEveryAnswerAndAThrowingPluginAnswersZero) {
    Install("Text");  // answers 1
    Install("Odd");   // answers 3
    auto& plugins = PluginManager::Instance();
    const kyd_plugin::HostInfo host{3, "Test"};
    ASSERT_TRUE(plugins.SetHostInfo(&host));
    ASSERT_TRUE(plugins.AddAll(platform::paths::toAnsi(folder).c_str(), kMask));
    EXPECT_EQ(1, plugins.CallAll(9, 0, 0, 0)) << "registered, not loaded: nothing is called";
    EXPECT_EQ(Lines{}, TakeCalls());
    ASSERT_TRUE(plugins.LoadAll());
    EXPECT_EQ(1, plugins.CallAll(9, 0, 0, 0));
    EXPECT_EQ(3, plugins.CallOne(0, 9, 0, 0, 0));

    Install("Even");  // answers 2: bit 0 clear
    ASSERT_TRUE(plugins.AddAll(platform::paths::toAnsi(folder).c_str(), kMask));
    ASSERT_TRUE(plugins.LoadAll());
    EXPECT_EQ(0, plugins.CallAll(9, 0, 0, 0));
    TakeCalls();

    // Faulty throws from every call and from its exit; ids start again at 0.
    plugins.Clear();
    fs::remove(folder / "TeskEvenPluginKyd.so");
    Install("Faulty");
    ASSERT_TRUE(plugins.SetHostInfo(&host));
    ASSERT_TRUE(plugins.AddAll(platform::paths::toAnsi(folder).c_str(), kMask));
    ASSERT_TRUE(plugins.LoadAll());
    EXPECT_EQ(0, plugins.CallAll(9, 0, 0, 0));
    EXPECT_EQ(0, plugins.CallOne(0, 9, 0, 0, 0));
    EXPECT_EQ(3, plugins.CallOne(1, 9, 0, 0, 0)) << "the others still answer";
    TakeCalls();
    plugins.UnloadAll();
    EXPECT_EQ((Lines{"Faulty exit 0 0", "Odd exit 0 0", "Text exit 0 0"}), TakeCalls());
}

TEST_F(PluginHost, UnloadedPluginsAreNeitherCalledNorFoundUntilLoadedAgainAndLiveWithTheLastSigner) {
    Install("Text");
    auto first = std::make_unique<TSignerKyd>();
    auto second = std::make_unique<TSignerKyd>();
    ASSERT_TRUE(first->LoadAllPlugins(platform::paths::toAnsi(folder), kMask));
    TakeCalls();
    auto& plugins = PluginManager::Instance();

    EXPECT_TRUE(first->UnloadAllPlugins());
    EXPECT_EQ(Lines{"Text exit 0 0"}, TakeCalls());
    DWORD id = 99;
    EXPECT_EQ(0, plugins.CallOne(0, 3, 0, 0, 0)) << "a command not delivered is no success";
    EXPECT_EQ(0, plugins.CallOne(7, 3, 0, 0, 0));
    EXPECT_FALSE(plugins.FindForType("text/plain", id)) << "the table of an unloaded library is not read";
    EXPECT_EQ(1, plugins.CallAll(6, 0, 0, 0));
    EXPECT_EQ(Lines{}, TakeCalls());

    ASSERT_TRUE(second->LoadAllPlugins(platform::paths::toAnsi(folder), kMask));
    EXPECT_EQ((Lines{"Text init 3 Mirelo", "Text call 6 0", "Text call 7 0"}), TakeCalls());
    EXPECT_TRUE(plugins.FindForType("text/plain", id));
    EXPECT_EQ(0u, id);

    first.reset();
    EXPECT_EQ(Lines{}, TakeCalls()) << "another signer still lives";
    EXPECT_EQ(1, PluginManager::Instance().CallOne(0, 9, 0, 0, 0));
    TakeCalls();
    second.reset();
    EXPECT_EQ(Lines{"Text exit 0 0"}, TakeCalls());
    EXPECT_EQ(nullptr, PluginManager::Instance().FindById(0)) << "the records are forgotten";
}

}  // namespace
