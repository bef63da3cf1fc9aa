#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "win32/process.h"

namespace {

namespace log = lumvar::log;
using log::Level;

std::string logText(bool clear = false) { return platform::text::toUtf8(log::text(clear)); }

class LumvarLog : public ::testing::Test {
protected:
    void SetUp() override {
        log::clear();
        ASSERT_EQ(lumvar::kOk, log::setLevel(0));
    }
    void TearDown() override { log::setLevel(0); }
};

TEST_F(LumvarLog, LinesCarryDateTimeLevelProcessAndThread) {
    ASSERT_EQ(lumvar::kOk, log::setLevel(3));
    log::write(Level::Error, u"Soubor \"%ls\" chybí (%d).", u"a\\b.dll", 42);
    log::write(Level::Info, u"info");
    log::write(Level::Debug, u"%hs %ls", "narrow", u"ladění");
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string tid = std::to_string(GetCurrentThreadId());
    const std::string stamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d )";
    const std::regex expected(stamp + "ERROR " + pid + " " + tid + " Soubor \"a\\\\b\\.dll\" chybí \\(42\\)\\.\n" +
                              stamp + "INFO  " + pid + " " + tid + " info\n" +
                              stamp + "DEBUG " + pid + " " + tid + " narrow ladění\n");
    EXPECT_TRUE(std::regex_match(logText(), expected)) << logText();
}

TEST_F(LumvarLog, LevelFiltersAndClearEmpties) {
    log::write(Level::Error, u"never set: nothing kept");
    EXPECT_EQ("", logText());

    EXPECT_EQ(lumvar::kOk, log::setLevel(2));
    EXPECT_EQ(lumvar::kLogLevel, log::setLevel(4));
    EXPECT_EQ(2u, log::level());
    log::write(Level::Error, u"e");
    log::write(Level::Info, u"i");
    log::write(Level::Debug, u"d");
    const std::string kept = logText(true);
    EXPECT_NE(std::string::npos, kept.find(" e\n"));
    EXPECT_NE(std::string::npos, kept.find(" i\n"));
    EXPECT_EQ(std::string::npos, kept.find(" d\n"));
    EXPECT_EQ("", logText());
    EXPECT_EQ(lumvar::kOk, log::open());
}

TEST_F(LumvarLog, MessagesAreCutAtTheirLimit) {
    log::setLevel(1);
    const std::u16string longText(log::kMaxMessage + 500, u'x');
    log::write(Level::Error, u"%ls", longText.c_str());
    const std::u16string text = log::text(false);
    EXPECT_EQ(log::kMaxMessage, text.size() - text.rfind(u' ') - 2);
}

TEST_F(LumvarLog, AnOpenFileGetsEveryKeptLineToo) {
    testkit::PlatformRoot root;
    root.write("Tesk Upgrade/lumvar.log", "earlier run\n");
    const std::u16string file = platform::paths::toWide(root.path()) + u"\\Tesk Upgrade\\lumvar.log";
    EXPECT_EQ(lumvar::kLogStream, log::openFile(platform::paths::toWide(root.path()) + u"\\missing\\x.log"));
    ASSERT_EQ(lumvar::kOk, log::openFile(file));
    log::setLevel(3);
    log::write(Level::Info, u"Kopírování");
    log::closeFile();
    log::closeFile();
    log::write(Level::Info, u"after close");
    const std::string written = root.read("Tesk Upgrade/lumvar.log");
    EXPECT_EQ(0u, written.find("earlier run\n"));
    EXPECT_NE(std::string::npos, written.find(" Kopírování\n"));
    EXPECT_EQ(std::string::npos, written.find("after close"));
    EXPECT_NE(std::string::npos, logText().find("after close"));
}

// The lock exists for the whole life of the process: threads writing with no
// client session open keep every line whole.
TEST_F(LumvarLog, ThreadsWritingWithoutASessionKeepWholeLines) {
    log::setLevel(3);
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kLines; ++i) log::write(Level::Debug, u"line %d end", i);
        });
    for (auto& t : threads) t.join();
    const std::string text = logText(true);
    const std::regex line(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d DEBUG \d+ \d+ line \d+ end)");
    int count = 0;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1, ++count)
        ASSERT_TRUE(std::regex_match(text.substr(start, end - start), line)) << text.substr(start, end - start);
    EXPECT_EQ(kThreads * kLines, count);
}

}  // namespace
