// The program's start: each piece it cannot work without, when broken,
// gives its own message box and ends the program before the wizard shows;
// the browser version is judged by its numbers; the profile's environment
// picks the renewal server and the window's title; the log begins with a
// banner describing the program and the machine.
#include <sys/sysinfo.h>

#include <ctime>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/profile.h"
#include "halvex_app.h"
#include "platform/ansi_name.h"
#include "platform/paths.h"
#include "shell_fixture.h"
#include "testkit/scoped_env.h"

namespace {

using namespace shell_fixture;
namespace script = platform::ui::script;

class Startup : public ShellTest {
protected:
    // Runs the program to its end; the boxes it showed (not the busy
    // window's lines).
    std::vector<std::string> run(int expectedExit) {
        EXPECT_EQ(expectedExit, halvex::RunHalvex(u"halvex")) << log();
        std::vector<std::string> boxes;
        for (const auto& line : script::transcript())
            if (line.starts_with("MessageBox")) boxes.push_back(line);
        return boxes;
    }

    // The one box shown.
    std::string expectFailure(const std::string& shown) {
        script::clear();
        script::queue("MessageBox", "IDOK");
        const auto boxes = run(1);
        EXPECT_EQ(1u, boxes.size()) << testing::PrintToString(boxes);
        if (boxes.empty()) return {};
        EXPECT_NE(std::string::npos, boxes[0].find(shown)) << boxes[0];
        EXPECT_EQ(std::string::npos, log().find("init done"));
        return boxes[0];
    }

    void setBrowserVersion(const std::u16string& version) {
        setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version", version);
    }
};

TEST_F(Startup, EachBrokenEnrolmentObjectEndsTheProgramWithItsMessage) {
    registerServer(TESK_PENTAK_MODULE, true);
    {
        SCOPED_TRACE("never registered in this platform root");
        const std::string box = expectFailure("Knihovny programu Halvex nejsou v kořeni platformy „" +
                                              platform::paths::root().string() + "“ zaregistrovány.");
        EXPECT_NE(std::string::npos, box.find("scripts/demo")) << box;
        EXPECT_EQ(std::string::npos, box.find("poškozená")) << box;
    }
    setDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + platform::text::fromUtf8(kEnrolmentClass) + u"\\InprocServer32", u"",
               platform::text::fromUtf8((root.path() / "gone" / "libpentak.so").string()));
    {
        SCOPED_TRACE("no object");
        expectFailure("Chyba při inicializaci knihovny Pentak.dll.\nZřejmě poškozená instalace aplikace.\n\n"
                      "Kód chyby: 4011");
    }
    serveByStandIn(platform::text::fromUtf8(kEnrolmentClass));
    setenv("HALVEX_STAND_IN", "no-interface", 1);
    {
        SCOPED_TRACE("no interface");
        expectFailure("Chyba při inicializaci rozhraní knihovny Pentak.dll.\nZřejmě poškozená instalace "
                      "aplikace.\n\nKód chyby: 4012");
    }
    setenv("HALVEX_STAND_IN", "missing:sha512Algorithm", 1);
    {
        SCOPED_TRACE("a member missing");
        expectFailure("Halvex nenalezl požadovanou verzi knihovny Pentak.dll.\n\nKód chyby: 4053");
        EXPECT_NE(std::string::npos, log().find("CheckPentak(): method/property sha512Algorithm not found"));
        EXPECT_EQ(std::string::npos, log().find("method/property sha256Algorithm not found"));
    }
    // A name known only under the user's default locale is found there.
    setenv("HALVEX_STAND_IN", "user-locale:KeySelect", 1);
    script::clear();
    fs::remove(logFile);
    EXPECT_TRUE(run(0).empty());
    EXPECT_EQ(std::string::npos, log().find("CheckPentak(): method/property")) << log();
}

// The real enrolment library passes its member check (each name asked
// for the way IDispatch takes it); then the signer's failures stop it.
TEST_F(Startup, EachBrokenSigningComponentEndsTheProgramWithItsMessage) {
    const std::u16string signerClass = readDefault(HKEY_CLASSES_ROOT, std::u16string(kSignerProgId) + u"\\CLSID");
    ASSERT_FALSE(signerClass.empty());
    fs::rename(config / "libs" / "dll_conf" / "mirelo.signed.cfg", root.path() / "saved.cfg");
    {
        SCOPED_TRACE("no signed configuration");
        expectFailure("Mirelo\nNení možné otevřít konfigurační soubor.");
        EXPECT_NE(std::string::npos, log().find("init check library mirelo.dll")) << "the member check passed";
    }
    fs::rename(root.path() / "saved.cfg", config / "libs" / "dll_conf" / "mirelo.signed.cfg");
    serveByStandIn(signerClass);
    {
        SCOPED_TRACE("no signer interface");
        expectFailure("Chyba při inicializaci rozhraní knihovny mirelo.dll.\nZřejmě poškozená instalace "
                      "aplikace.\n\nKód chyby: 4060");
    }
    setDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + signerClass + u"\\InprocServer32", u"",
               platform::text::fromUtf8((root.path() / "gone" / "libmirelo.so").string()));
    {
        SCOPED_TRACE("no module");
        expectFailure("Chyba při inicializaci knihovny mirelo.dll.\nZřejmě poškozená instalace aplikace.\n\n"
                      "Kód chyby: 4059");
    }
    registerServer(TESK_MIRELO_MODULE, true);
    {
        SCOPED_TRACE("no class of that name");
        expectFailure("Chyba při získání CLSID knihovny mirelo.dll.\n\nKód chyby: 4058");
    }
}

// Major and minor are numbers: version 10 is not version 1.
TEST_F(Startup, TheBrowserVersionIsJudgedByItsNumbers) {
    setBrowserVersion(u"5.0.3700");
    const std::string box = expectFailure(
        "Nedostatečná verze prohlížeče Internet Explorer.\nMáte verzi 5.0.3700, aplikace Halvex "
        "potřebuje verzi nejméně 5.5.");
    EXPECT_EQ(std::string::npos, box.find("Kód chyby"));
    for (const std::u16string version : {u"5.5.0", u"9.11.9600.17031", u"10.0.19041", u"11", u"x.y"}) {
        SCOPED_TRACE(platform::text::toUtf8(version));
        setBrowserVersion(version);
        script::clear();
        EXPECT_TRUE(run(0).empty());
        EXPECT_NE(std::string::npos, log().find("init done"));
        fs::remove(logFile);
    }
}

// The transcript without the busy window's texts, which its own thread
// sets in its own time.
std::vector<std::string> withoutBusyTexts(std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& line) { return line.starts_with("Dialog 101 133 "); });
    return lines;
}

// The busy window comes up before the checks and steps aside for a
// failure's box, which stands over the program's window under its caption;
// the close ends the busy thread. On a good start it is hidden before the
// wizard shows.
TEST_F(Startup, TheBusyWindowIsUpThroughTheChecksAndGoesWithTheClose) {
    const std::vector<std::string> busyCreated{"Dialog 101:  | 133 static \"\" | 134 progress \"\" marquee",
                                               "Dialog 101 topmost", "Dialog 101 shown"};
    setBrowserVersion(u"5.0.3700");
    script::queue("MessageBox", "IDOK");
    run(1);
    auto lines = withoutBusyTexts(script::transcript());
    ASSERT_EQ(6u, lines.size()) << testing::PrintToString(lines);
    EXPECT_EQ(busyCreated, std::vector<std::string>(lines.begin(), lines.begin() + 3));
    EXPECT_EQ("Dialog 101 hidden", lines[3]);
    EXPECT_TRUE(lines[4].starts_with("MessageBox: Halvex: Nedostatečná verze")) << lines[4];
    EXPECT_EQ("Dialog 101 destroyed", lines[5]);

    setBrowserVersion(u"5.5.0");
    script::clear();
    run(0);
    std::vector<std::string> texts;
    for (const auto& line : script::transcript())
        if (line.starts_with("Dialog 101 133 ")) texts.push_back(line);
    EXPECT_EQ((std::vector<std::string>{"Dialog 101 133 \"Čekejte prosím ...\"",
                                        "Dialog 101 133 \"Připravuji generátor žádosti ...\"", "Dialog 101 133 \"\""}),
              texts)
        << "waiting, then preparing, emptied when hidden";
    lines = withoutBusyTexts(script::transcript());
    ASSERT_EQ(5u, lines.size()) << testing::PrintToString(lines);
    EXPECT_EQ("Dialog 101 hidden", lines[3]);
    EXPECT_LT(log().find("init check IE ver"), log().find("init done"));
}

// Detail entries need a "LogLevel" other than 0; an empty "LogFile" keeps
// no log at all; a log grown large is trimmed at start.
TEST_F(Startup, TheMachinesSettingsChooseTheLogAndItsDetail) {
    std::string grown;
    while (grown.size() < 500000) grown += "<01/01/2020 00:00:00.000> earlier entry\n";
    root.write("halvex.log", grown);
    EXPECT_TRUE(run(0).empty());
    EXPECT_LT(log().size(), 210000u);
    EXPECT_EQ(0u, log().find("<01/01/2020 00:00:00.000> earlier entry\n"));
    EXPECT_NE(std::string::npos, log().find("OnBeforeNavigate2() url")) << "no LogLevel: details are written";
    fs::remove(logFile);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\Halvex", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const DWORD off = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off),
                                            sizeof off));
    RegCloseKey(key);
    EXPECT_TRUE(run(0).empty());
    EXPECT_NE(std::string::npos, log().find("init done"));
    EXPECT_EQ(std::string::npos, log().find("OnBeforeNavigate2() url"));
    fs::remove(logFile);

    setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\Halvex", u"LogFile", u"");
    const ScopedEnv appData("APPDATA", root.path().string());
    EXPECT_TRUE(run(0).empty());
    EXPECT_FALSE(fs::exists(logFile));
    EXPECT_FALSE(fs::exists(root.path() / "Tesk" / "halvex.log"));
}

// The banner's four entries after its rule, before the log set-up's own
// entry; the processors only while both variables are set.
TEST_F(Startup, TheBannerDescribesTheProgramAndTheMachine) {
    setBrowserVersion(u"11.0.9600.17031");
    struct sysinfo memory {};
    ASSERT_EQ(0, sysinfo(&memory));
    const std::string ram = std::to_string((static_cast<unsigned long long>(memory.totalram) * memory.mem_unit) >> 20);
    // The log is ANSI text, the Windows folder's name included.
    const std::string os = "OS: 6 1 2 Service Pack 1 " +
                           platform::paths::toAnsiName(platform::paths::windowsFolder()) + "; IE: 11.0.9600.17031; ";
    const auto banner = [&] {
        const std::time_t before = std::time(nullptr);
        EXPECT_TRUE(run(0).empty());
        std::vector<std::string> entries;
        std::istringstream lines(log());
        for (std::string line; std::getline(lines, line);) entries.push_back(line.substr(line.find("> ") + 2));
        fs::remove(logFile);
        EXPECT_GE(entries.size(), 6u);
        if (entries.size() < 6) return entries;
        EXPECT_EQ(std::string(64, '-'), entries[0]);
        std::smatch now;
        EXPECT_TRUE(std::regex_match(entries[1], now,
                                     std::regex(R"(App v[0-9.]+ file v1\.0\.0\.0 \$Date: 2013/05/24 20:20:00 \$ )"
                                                R"(\$Revision: 1\.5 \$ \$Name: V1303 \$ started on )"
                                                R"(\d\d\.\d\d\.\d{4} \d\d:\d\d, now (\d+))")))
            << entries[1];
        if (!now.empty()) {
            EXPECT_LE(before, std::stoll(now[1]));
        }
        // The log is ANSI text, the folder's name included.
        EXPECT_EQ("command line: 'halvex'; current directory: " + platform::paths::toAnsiName(config), entries[2]);
        EXPECT_EQ("CHalvexApp::MyInitApp(): done", entries[4]);
        return entries;
    };
    {
        const ScopedEnv cores("NUMBER_OF_PROCESSORS", "4");
        const ScopedEnv identifier("PROCESSOR_IDENTIFIER", "Intel64 Family 6 Model 85");
        EXPECT_EQ(os + "CPU: 4x Intel64 Family 6 Model 85; RAM: " + ram + "; Screen: 1280x1024x32", banner().at(3));
    }
    const ScopedEnv cores("NUMBER_OF_PROCESSORS", "4");
    const ScopedEnv noIdentifier("PROCESSOR_IDENTIFIER", std::nullopt);
    EXPECT_EQ(os + "; RAM: " + ram + "; Screen: 1280x1024x32", banner().at(3)) << "a variable missing";
}

TEST_F(Startup, TheEnvironmentPicksTheServerAndTheTitle) {
    using halvex::TAppData;
    const std::u16string production = [] {
        halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", halvex::kEnvironmentProduction);
        EXPECT_EQ(u"Halvex v1.0.0.0", halvex::ApplyProfileEnvironment());
        return TAppData::Instance().GetServerUrl();
    }();
    EXPECT_EQ(0u, production.rfind(u"https://", 0));
    EXPECT_TRUE(production.ends_with(u":443/cgi-bin/renreq3.cgi"));

    halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", halvex::kEnvironmentDevelopment);
    EXPECT_EQ(u"Halvex v1.0.0.0 DEVELOPMENT", halvex::ApplyProfileEnvironment());
    const std::u16string development = TAppData::Instance().GetServerUrl();
    halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", halvex::kEnvironmentTest);
    EXPECT_EQ(u"Halvex v1.0.0.0 TEST", halvex::ApplyProfileEnvironment());
    const std::u16string test = TAppData::Instance().GetServerUrl();
    for (const auto& url : {development, test}) EXPECT_TRUE(url.ends_with(u":443/cgi-bin/renreq3.cgi"));
    EXPECT_NE(development, test);
    EXPECT_NE(production, development);
    EXPECT_NE(production, test);

    halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", 5);
    EXPECT_EQ(u"Halvex v1.0.0.0", halvex::ApplyProfileEnvironment());
    EXPECT_EQ(u"", TAppData::Instance().GetServerUrl());

    // A profile without the value is given production.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tesk\\Tesk Halvex\\Workspace"));
    EXPECT_EQ(u"Halvex v1.0.0.0", halvex::ApplyProfileEnvironment());
    EXPECT_EQ(production, TAppData::Instance().GetServerUrl());
    EXPECT_EQ(halvex::kEnvironmentProduction,
              halvex::GetProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", 99));
}

}  // namespace
