#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "halvex/log.h"
#include "halvex/messages.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "win32/error.h"

namespace halvex {
namespace {

// 2024-03-05 07:08:09.045 UTC as FILETIME units.
constexpr ULONGLONG kFixedTime = platform::clock::kUnixEpochAsFileTime + 1709622489045ull * 10000ull;

class HalvexLog : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        setenv("TZ", "UTC", 1);
        tzset();
        platform::clock::setForTests(kFixedTime);
        log.SetPath(platform::paths::toWide(root.path() / "halvex.log"));
        log.Init(true, true);
        platform::ui::script::clear();
    }
    void TearDown() override {
        platform::clock::setForTests(std::nullopt);
        log.Init(false, false);
        log.SetPath(u"");
    }
    std::string logged() const { return root.read("halvex.log"); }

    testkit::PlatformRoot root;
    TLogFile& log = TLogFile::GetInstance();
};

TEST_F(HalvexLog, EntriesCarryTheTimeAndIndentContinuationLines) {
    SetLastError(5);
    EXPECT_TRUE(log.Print(u"Start(): %s %d\nsecond", u"Řež", 7));
    EXPECT_EQ(GetLastError(), 5u);
    log.Init(true, false);
    EXPECT_FALSE(log.PrintIfOn(u"detail"));
    EXPECT_TRUE(log.Print(u"plain"));
    EXPECT_EQ(logged(), "<05/03/2024 07:08:09.045> Start(): \xD8" "e\x9E 7\n\t\t\tsecond\n"
                        "<05/03/2024 07:08:09.045> plain\n");

    log.Init(false, true);
    EXPECT_FALSE(log.Print(u"off"));
    log.Init(true, true);
    log.SetPath(u"");
    EXPECT_FALSE(log.Print(u"nowhere"));
}

TEST_F(HalvexLog, TwoThreadsWriteWholeLines) {
    const std::u16string line(400, u'a');
    const std::u16string other(400, u'b');
    auto writer = [this](const std::u16string& text) {
        for (int i = 0; i < 200; ++i) log.Print(u"%s", text.c_str());
    };
    std::thread first(writer, line);
    std::thread second(writer, other);
    first.join();
    second.join();
    const std::string text = logged();
    std::size_t lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const std::size_t end = text.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string body = text.substr(at + 26, end - at - 26);
        EXPECT_TRUE(body == std::string(400, 'a') || body == std::string(400, 'b'));
        at = end + 1;
    }
    EXPECT_EQ(lines, 400u);
}

TEST_F(HalvexLog, ErrorBoxShowsAndLogsTheComposedMessage) {
    platform::ui::script::queue("MessageBox", "IDOK");
    SetLastError(5);
    ErrorBox(u"Soubor 100%s nelze číst.", 4058, true, false);
    const auto shown = platform::ui::script::transcript();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Soubor 100%s nelze číst.\n\nChyba při získání CLSID knihovny mirelo.dll."
                            "\n\nKód chyby: 4058\n\nČíslo systémové chyby: 0x00000005 (5)- "),
              std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("halvex_engine_tests"), std::string::npos);

    const std::string text = logged();
    EXPECT_EQ(text.rfind("<05/03/2024 07:08:09.045> ============== ErrorBox ===============\n\t\t\tSoubor 100%s nelze "
                         "\xE8\xEDst.\n\t\t\tChyba p\xF8i z\xEDsk\xE1n\xED CLSID knihovny mirelo.dll.\n\t\t\tK\xF3" "d chyby: 4058\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("\n\t\t\t=======================================\n"), std::string::npos);

    // Silent: nothing shown, the message logged alone.
    SetLastError(0);
    ErrorBox(u"tiché", 0, true, true);
    EXPECT_EQ(platform::ui::script::transcript().size(), 1u);
    EXPECT_NE(logged().find("> tich\xE9\n"), std::string::npos);
}

TEST(HalvexMessages, ErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(FormatErrorMessage(4000, true), u"");
    EXPECT_EQ(FormatErrorMessage(4059, true),
              u"Chyba při inicializaci knihovny mirelo.dll.\nZřejmě poškozená instalace aplikace.\n\nKód chyby: 4059");
    SetLastError(0);
    EXPECT_EQ(GetSystemErrorText(), u"");
}

}  // namespace
}  // namespace halvex
