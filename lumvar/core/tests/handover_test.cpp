// The hand-over to the upgrade process, with a recording script as the
// upgrade program: the backup, the files in bin\, the started process, and
// what each failure leaves behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "lumvar/handover.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/text.h"
#include "testkit/platform_root.h"

namespace {

using namespace lumvar;
namespace fs = std::filesystem;

// Records its arguments and its folder, then the conf it was given.
constexpr char kRecorder[] = "#!/bin/sh\nprintf '%s|' \"$@\" > record.tmp\npwd >> record.tmp\ncat conf >> record.tmp\n"
                             "mv record.tmp ../record\n";

std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[fs::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? testkit::readFile(entry.path()) : "<folder>";
    return files;
}

std::u16string wide(const fs::path& path) { return platform::text::fromUtf8(path.string()); }

class HandOver : public ::testing::Test {
protected:
    void SetUp() override {
        m_root.write("program/app.bin", std::string("\0\1\2app", 6));
        m_root.write("program/lib/sub/data.txt", "data");
        fs::create_directories(m_root.path() / "program" / "empty");
        m_root.write("area/backup/stale.txt", "from an earlier hand-over");
        m_config.setClientApp("halvex");
        m_config.setDistroID("7");
        m_config.setAddress("https://localhost/");
        m_config.setAgentName(u"Lumvar test");
        m_config.setProgramPath(wide(m_root.path() / "program"));
        m_config.setDllPath(wide(m_root.path() / "program"));
        m_config.setDownloadPath(wide(m_root.path() / "area"));
        m_config.setRelaxNGPath("/nowhere");
        m_config.setVersion({1, 0});
        m_config.setLang(English);
        log::setLevel(1);
        log::clear();
    }

    // The record the started program leaves, or "" when none came.
    std::string record(std::chrono::milliseconds wait) const {
        const fs::path file = m_root.path() / "area" / "record";
        for (auto end = std::chrono::steady_clock::now() + wait; !fs::exists(file);) {
            if (std::chrono::steady_clock::now() > end) return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return testkit::readFile(file);
    }

    testkit::PlatformRoot m_root;
    Config m_config;
};

TEST_F(HandOver, BacksUpWritesTheProgramAndConfAndStartsItInBin) {
    const auto program = tree(m_root.path() / "program");
    ASSERT_EQ(kUpgradeStarted, DoUpdate(m_config, kRecorder)) << platform::text::toUtf8(log::text(false));
    EXPECT_EQ(program, tree(m_root.path() / "area" / "backup"));
    EXPECT_EQ(program, tree(m_root.path() / "program"));
    const fs::path bin = m_root.path() / "area" / "bin";
    EXPECT_EQ(kRecorder, testkit::readFile(bin / "Tornil.exe"));
    EXPECT_NE(fs::perms::none, fs::status(bin / "Tornil.exe").permissions() & fs::perms::owner_exec);
    // The folders as Config holds them, with their final separator.
    const std::string conf = (m_root.path() / "program").string() + "\\\n" + (m_root.path() / "area").string() + "\\\n2\n" +
                             std::to_string(getpid()) + "\n";
    EXPECT_EQ(conf, testkit::readFile(bin / "conf"));
    EXPECT_EQ("RunUpdate|" + bin.string() + "\n" + conf, record(std::chrono::seconds(5)));
}

TEST_F(HandOver, EachFailingStepStartsNothingAndLeavesTheProgramFolder) {
    const auto program = tree(m_root.path() / "program");
    Config unreadable = m_config;
    unreadable.setProgramPath(wide(m_root.path() / "absent"));
    EXPECT_EQ(kBackup, DoUpdate(unreadable, kRecorder));
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"Nepodařilo se provést zálohu aktuální verze"));
    EXPECT_FALSE(fs::exists(m_root.path() / "area" / "bin"));

    EXPECT_EQ(kHandOverFiles, DoUpdate(m_config, ""));
    EXPECT_EQ(kStartUpgrade, DoUpdate(m_config, "no program, no interpreter line"));
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"Chyba pro spousteni aktualizačního procesu"));

    Config blocked = m_config;
    m_root.write("file", "a file where the area should be");
    blocked.setDownloadPath(wide(m_root.path() / "file"));
    EXPECT_EQ(kBackup, DoUpdate(blocked, kRecorder));

    Config incomplete;
    EXPECT_EQ(kNotConfigured, DoUpdate(incomplete, kRecorder));

    EXPECT_EQ("", record(std::chrono::milliseconds(500)));
    EXPECT_EQ(program, tree(m_root.path() / "program"));
}

}  // namespace
