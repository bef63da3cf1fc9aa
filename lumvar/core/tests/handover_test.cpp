// The hand-over to the upgrade process, with a recording script as the
// upgrade program: the backup, the files in bin\, the started process, and
// what each failure leaves behind.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "lumvar/handover.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/platform_root.h"

#include "file_size_limit.h"

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

using platform::paths::toWide;

class HandOver : public ::testing::Test {
protected:
    void SetUp() override {
        m_root.write("programový adresář/app.bin", std::string("\0\1\2app", 6));
        m_root.write("programový adresář/lib/sub/data.txt", "data");
        fs::create_directories(program() / "empty");
        m_root.write("area/backup/stale.txt", "from an earlier hand-over");
        m_config.setClientApp("halvex");
        m_config.setDistroID("7");
        m_config.setAddress("https://localhost/");
        m_config.setAgentName(u"Lumvar test");
        m_config.setProgramPath(toWide(program()));
        m_config.setDllPath(toWide(program()));
        m_config.setDownloadPath(toWide(m_root.path() / "area"));
        m_config.setRelaxNGPath("/nowhere");
        m_config.setVersion({1, 0});
        m_config.setLang(English);
        log::setLevel(1);
        log::clear();
    }

    // Not ASCII, so that the conf shows its encoding (UTF-8).
    fs::path program() const { return m_root.path() / "programový adresář"; }

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
    const auto before = tree(program());
    ASSERT_EQ(kUpgradeStarted, DoUpdate(m_config, kRecorder)) << platform::text::toUtf8(log::text(false));
    EXPECT_EQ(before, tree(m_root.path() / "area" / "backup"));
    EXPECT_EQ(before, tree(program()));
    const fs::path bin = m_root.path() / "area" / "bin";
    EXPECT_EQ(kRecorder, testkit::readFile(bin / "Tornil.exe"));
    EXPECT_NE(fs::perms::none, fs::status(bin / "Tornil.exe").permissions() & fs::perms::owner_exec);
    // The folders as Config holds them, with their final separator.
    const std::string conf = program().string() + "\\\n" + (m_root.path() / "area").string() + "\\\n2\n" +
                             std::to_string(getpid()) + "\n";
    EXPECT_EQ(conf, testkit::readFile(bin / "conf"));
    EXPECT_EQ("RunUpdate|" + bin.string() + "\n" + conf, record(std::chrono::seconds(5)));
}

// The upgrade program goes on once the program that handed over has ended:
// it waits for its caller, named in the conf, to be gone, then records.
TEST_F(HandOver, TheStartedProgramOutlivesItsCaller) {
    constexpr char kWaiter[] = "#!/bin/sh\ncaller=$(sed -n 4p conf)\nn=0\n"
                               "while kill -0 \"$caller\" 2>/dev/null; do\n"
                               "  n=$((n + 1)); [ $n -gt 300 ] && exit 1; sleep 0.05\ndone\n"
                               "echo \"outlived $caller\" > ../record.tmp\nmv ../record.tmp ../record\n";
    const pid_t caller = fork();
    ASSERT_GE(caller, 0);
    if (caller == 0) _exit(DoUpdate(m_config, kWaiter) == kUpgradeStarted ? 0 : 1);
    int status = 0;
    ASSERT_EQ(caller, waitpid(caller, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ("outlived " + std::to_string(caller) + "\n", record(std::chrono::seconds(20)));
}

TEST_F(HandOver, EachFailingStepStartsNothingAndLeavesTheProgramFolder) {
    const auto before = tree(program());
    Config unreadable = m_config;
    unreadable.setProgramPath(toWide(m_root.path() / "absent"));
    EXPECT_EQ(kBackup, DoUpdate(unreadable, kRecorder));
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"Nepodařilo se provést zálohu aktuální verze"));
    EXPECT_FALSE(fs::exists(m_root.path() / "area" / "bin"));

    EXPECT_EQ(kHandOverFiles, DoUpdate(m_config, ""));
    EXPECT_EQ(kStartUpgrade, DoUpdate(m_config, "no program, no interpreter line"));
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"Chyba pro spousteni aktualizačního procesu"));

    // Writes in bin\ that fail, as on a full disk: the program, then the conf.
    {
        const lumvar::testing::FileSizeLimit limit(8);  // the program folder's files fit
        EXPECT_EQ(kHandOverFiles, DoUpdate(m_config, "#!/bin/sh\n"));
    }
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"LUMVAR_DoUpdate: Nepodařilo se zapsat aktualizační program"));
    {
        const lumvar::testing::FileSizeLimit limit(16);  // and the program too, but not the conf
        EXPECT_EQ(kHandOverFiles, DoUpdate(m_config, "#!/bin/sh\n"));
    }
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"LUMVAR_DoUpdate: Nepodařilo se vytvořit soubor bin\\conf"));

    Config blocked = m_config;
    m_root.write("file", "a file where the area should be");
    blocked.setDownloadPath(toWide(m_root.path() / "file"));
    EXPECT_EQ(kBackup, DoUpdate(blocked, kRecorder));

    Config incomplete;
    EXPECT_EQ(kNotConfigured, DoUpdate(incomplete, kRecorder));

    EXPECT_EQ("", record(std::chrono::milliseconds(500)));
    EXPECT_EQ(before, tree(program()));
}

}  // namespace
