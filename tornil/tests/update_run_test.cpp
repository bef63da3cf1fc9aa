// The upgrade program in a download area as the client leaves it: a whole
// update, a failed registration and hostile delete lists rolled back, and
// an update killed at every change of the program folder, recovered by the
// RunOnce value at the next logon.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "testkit/autostart.h"
#include "upgrade_area.h"
#include "win32/registry.h"

namespace {

namespace fs = std::filesystem;
using tornil_test::UpgradeArea;

pid_t startClient(const char* seconds) {
    const pid_t client = fork();
    if (client == 0) {
        execlp("sleep", "sleep", seconds, nullptr);
        _exit(127);
    }
    return client;
}

std::u16string registryText(HKEY root, const std::u16string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return u"(no key)";
    WCHAR text[1024] = {};
    DWORD size = sizeof text - sizeof(WCHAR);
    const LONG status = RegQueryValueExW(opened, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? std::u16string(text) : u"(no value)";
}

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// The program folder holds exactly `tree`, and the update, its backup and
// the RunOnce value that would resume it are gone.
void expectSettledOn(const UpgradeArea& area, const tornil_test::Tree& tree) {
    EXPECT_EQ("", area.differenceFrom(tree));
    EXPECT_FALSE(fs::exists(area.area() / "update"));
    EXPECT_FALSE(fs::exists(area.area() / "backup"));
    EXPECT_TRUE(area.runOnceValues().empty());
}

TEST(UpdateRun, WaitsForTheClientThenTurnsTheOldTreeIntoTheNewOneAndLeavesNothingBehind) {
    const pid_t client = startClient("1");
    UpgradeArea area(1, client);
    tornil_test::prepareStandardUpdate(area);

    // Other words beside the command count for nothing; with both commands
    // the update runs.
    const testkit::RunResult run =
        testkit::run({area.upgradeProgram(), "from-client", "Rollback", "RunUpdate"}, area.upgradeOptions());
    int status = 0;
    // The client had ended before anything was deleted.
    EXPECT_EQ(client, waitpid(client, &status, WNOHANG));
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("Aktualizácia úspešne ukončená", lastLine(run.out)) << run.out;
    expectSettledOn(area, tornil_test::newTree());
    // No log was asked for.
    EXPECT_FALSE(fs::exists(area.area().parent_path() / "ProgramData" / "Tesk Upgrade" / "lumvar.log"));
}

TEST(UpdateRun, AnUpdateBringingNothingSucceedsAndChangesNothing) {
    // Only the delete list's separator line and the two empty system folders.
    UpgradeArea area(2);
    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("Update successfully finished", lastLine(run.out)) << run.out;
    expectSettledOn(area, tornil_test::oldTree());
}

// Without a display for its dialog the update still runs to its end, and
// at once: nothing waits for a window that cannot come.
TEST(UpdateRun, WithoutADisplayForItsDialogTheUpdateRunsToItsEnd) {
    UpgradeArea area(1);
    tornil_test::prepareStandardUpdate(area);
    testkit::RunOptions options = area.upgradeOptions();
    options.env["PLATFORM_UI"] = "gtk";
    options.env["DISPLAY"] = "";
    options.env["WAYLAND_DISPLAY"] = "";
    const auto started = std::chrono::steady_clock::now();
    const testkit::RunResult run = testkit::run({area.upgradeProgram(), "RunUpdate"}, options);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(0, run.exitCode) << run.out << run.err;
    expectSettledOn(area, tornil_test::newTree());
}

TEST(UpdateRun, AClientStillRunningAfterThirtySecondsStopsTheUpdateBeforeAnyChange) {
    const pid_t client = startClient("60");
    UpgradeArea area(0, client);
    tornil_test::prepareStandardUpdate(area);

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
    EXPECT_EQ("Aktualizace se nezdařila", lastLine(run.out));
    expectSettledOn(area, tornil_test::oldTree());
}

TEST(UpdateRun, ACopiedComServerIsRegisteredFromTheSystemFolderBeforeTheUpdateCounts) {
    UpgradeArea area(2);
    tornil_test::prepareStandardUpdate(area);
    const std::string name = fs::path(TESTKIT_HSM_MODULE).filename().string();
    area.bring("_LUMVAR_SYSTEM_COM/" + name, testkit::readFile(TESTKIT_HSM_MODULE));

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ("Update successfully finished", lastLine(run.out)) << run.out;
    EXPECT_EQ("", area.differenceFrom(tornil_test::newTree()));
    const std::u16string server =
        platform::text::fromUtf8((area.systemFolder() / name).string());
    EXPECT_EQ(server, registryText(HKEY_CLASSES_ROOT,
                                   u"CLSID\\{B50CF139-8836-4C9A-B65C-EABB56EC2CE3}\\InprocServer32"));
}

TEST(UpdateRun, AFailedRegistrationRestoresTheOldTreeByteForByte) {
    UpgradeArea area(2);
    tornil_test::prepareStandardUpdate(area);
    // No COM server: regsvr32 refuses it.
    area.bring("_LUMVAR_SYSTEM_COM/broken.dll", "not a module");

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Update failed\n")) << run.out;
    EXPECT_EQ("Update failed. Rollback to previous version succesfully done.", lastLine(run.out));
    expectSettledOn(area, tornil_test::oldTree());
}

// A rollback that cannot restore the backup leaves the guard, the backup
// and update\ for the next logon, which then removes what the update added
// and restores the rest; a file the user made meanwhile stays.
TEST(UpdateRun, ARollbackThatFailsIsFinishedAtTheNextLogonWithoutAMix) {
    UpgradeArea area(2);
    tornil_test::prepareStandardUpdate(area);
    area.bring("_LUMVAR_SYSTEM_COM/broken.dll", "not a module");
    // A folder in the backup where the update leaves a file: it cannot be
    // copied back.
    testkit::writeFile(area.area() / "backup" / "added.txt" / "inside", "in the way");

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Update failed\n")) << run.out;
    EXPECT_EQ("Update and rollback to previous version failed.", lastLine(run.out));
    EXPECT_EQ(1u, area.runOnceValues().size());
    EXPECT_TRUE(fs::exists(area.area() / "backup" / "app.bin"));
    EXPECT_TRUE(fs::exists(area.area() / "update" / "added.txt"));

    fs::remove_all(area.area() / "backup" / "added.txt");
    testkit::writeFile(area.program() / "mine.txt", "the user's");
    // The next logon: the desktop starts what the guard's autostart entry names.
    const std::vector<fs::path> entries = testkit::autostartEntries();
    ASSERT_EQ(1u, entries.size());
    const testkit::RunResult logon = testkit::launchAtLogon(entries.front(), area.upgradeOptions());
    ASSERT_EQ(0, logon.exitCode) << logon.err;
    for (int i = 0; i < 600 && fs::exists(area.area() / "update"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(testkit::autostartEntries().empty());
    tornil_test::Tree expected = tornil_test::oldTree();
    expected["mine.txt"] = "the user's";
    expectSettledOn(area, expected);
}

TEST(UpdateRun, DeleteListEntriesOutsideTheProgramFolderOrThatCannotBeDeletedRollBack) {
    // The last list deletes one file, then fails on one that is not there.
    for (const std::string list : {"../outside.txt\n\n", "\n\n", "\nlib\n\n", "/tmp\n\n", "lib\\..\\..\\outside.txt\n\n",
                                   "zrušený soubor.txt\nnot there.txt\n\nstarý adresář\n"}) {
        UpgradeArea area(0);
        tornil_test::prepareStandardUpdate(area);
        area.writeDeleteList(list);
        testkit::writeFile(area.area().parent_path() / "outside.txt", "not the update's");

        const testkit::RunResult run = area.runUpgrade("RunUpdate");
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ("Aktualizace se nezdařila, návrat k původní verzi úspěšně proveden.", lastLine(run.out))
            << list << run.out;
        EXPECT_EQ("", area.differenceFrom(tornil_test::oldTree())) << list;
        EXPECT_EQ("not the update's", testkit::readFile(area.area().parent_path() / "outside.txt"));
    }
}

// An entry that names the program folder itself, or a deletion of a file
// the backup does not hold, would lose that file for good: the update stops
// before deleting it, the rollback says so truthfully, and the file stays.
TEST(UpdateRun, ADeletionTheBackupCannotUndoIsRefusedAndTheFileStays) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\n.\n", "mine.txt"},           {".\n\n", "mine.txt"},
        {"\n./\n", "mine.txt"},          {"\nlib\\.\\..\\.\n", "mine.txt"},
        {"mine.txt\n\n", "mine.txt"},    {"zrušený soubor.txt\n\nstarý adresář\n", "starý adresář/mine.txt"}};
    for (const auto& [list, mine] : cases) {
        UpgradeArea area(0);
        tornil_test::prepareStandardUpdate(area);
        area.writeDeleteList(list);
        testkit::writeFile(area.program() / mine, "the user's, made after the backup");

        const testkit::RunResult run = area.runUpgrade("RunUpdate");
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ("Aktualizace se nezdařila, návrat k původní verzi úspěšně proveden.", lastLine(run.out))
            << list << run.out;
        tornil_test::Tree expected = tornil_test::oldTree();
        expected[mine] = "the user's, made after the backup";
        expectSettledOn(area, expected);
    }
}

// A link below the program folder to a folder outside it: neither a
// deletion nor a copy goes through it, the update is rolled back, and the
// link and the folder it leads to stay as they were.
TEST(UpdateRun, NothingIsDeletedOrWrittenThroughALinkInTheProgramFolder) {
    for (const bool deleting : {true, false}) {
        UpgradeArea area(0);
        tornil_test::prepareStandardUpdate(area);
        const fs::path outside = area.area().parent_path() / "venku";
        testkit::writeFile(outside / "cizí.txt", "not the program's");
        fs::create_directory_symlink(outside, area.program() / "odkaz");
        if (deleting) {
            area.writeDeleteList("odkaz/cizí.txt\n\n");
            // The backup as a copy that followed the link would hold it.
            testkit::writeFile(area.area() / "backup" / "odkaz" / "cizí.txt", "not the program's");
        } else {
            area.bring("odkaz/přinesený.txt", "brought by the update");
        }

        const testkit::RunResult run = area.runUpgrade("RunUpdate");
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_NE(std::string::npos, run.out.find("Aktualizace se nezdařila")) << run.out;
        EXPECT_TRUE(fs::is_symlink(area.program() / "odkaz"));
        std::set<std::string> outsideFiles;
        for (const auto& entry : fs::directory_iterator(outside)) outsideFiles.insert(entry.path().filename().string());
        EXPECT_EQ(std::set<std::string>{"cizí.txt"}, outsideFiles) << deleting;
        EXPECT_EQ("not the program's", testkit::readFile(outside / "cizí.txt"));
        if (!deleting) {
            EXPECT_EQ("Aktualizace se nezdařila, návrat k původní verzi úspěšně proveden.", lastLine(run.out));
            tornil_test::Tree expected = tornil_test::oldTree();
            expected["odkaz/cizí.txt"] = "not the program's";
            expectSettledOn(area, expected);
        }
    }
}

TEST(UpdateRun, SystemFilesAreReplacedOnlyByNewerVersions) {
    const std::string older = testkit::readFile(TORNIL_VERSION_OLD);
    const std::string newer = testkit::readFile(TORNIL_VERSION_NEW);
    struct Case {
        std::string folder;
        std::string installed;
        std::string offered;
        std::string result;  // the system folder's file afterwards
        std::string status;
    };
    const std::vector<Case> cases{
        {"_LUMVAR_SYSTEM", older, newer, newer, "Update successfully finished"},
        {"_LUMVAR_SYSTEM", newer, older, newer, "Update successfully finished"},
        {"_LUMVAR_SYSTEM", newer, newer, newer, "Update successfully finished"},
        // A file without version information cannot prove it is newer.
        {"_LUMVAR_SYSTEM", older, "no version information", older,
         "Update failed. Rollback to previous version succesfully done."},
        // A COM file kept is not registered: these modules are no COM
        // servers, so a registration would fail the update.
        {"_LUMVAR_SYSTEM_COM", newer, older, newer, "Update successfully finished"},
        {"_LUMVAR_SYSTEM_COM", newer, newer, newer, "Update successfully finished"},
    };
    for (const Case& c : cases) {
        UpgradeArea area(2);
        tornil_test::prepareStandardUpdate(area);
        testkit::writeFile(area.systemFolder() / "sub" / "shared.dll", c.installed);
        area.bring(c.folder + "/sub/shared.dll", c.offered);

        const testkit::RunResult run = area.runUpgrade("RunUpdate");
        EXPECT_EQ(c.status, lastLine(run.out));
        EXPECT_TRUE(c.result == testkit::readFile(area.systemFolder() / "sub" / "shared.dll"));
        EXPECT_EQ("", area.differenceFrom(c.status == "Update successfully finished" ? tornil_test::newTree()
                                                                                      : tornil_test::oldTree()));
    }
}

TEST(UpdateRun, WithoutADeleteListOrWithAFileThatCannotBeInstalledTheOldTreeStays) {
    {
        // Nothing was deleted yet: the closing tail, no rollback.
        UpgradeArea area(0);
        tornil_test::prepareStandardUpdate(area);
        fs::remove(area.area() / "update" / "._LUMVAR_delete");
        const testkit::RunResult run = area.runUpgrade("RunUpdate");
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ("Aktualizace se nezdařila", lastLine(run.out)) << run.out;
        expectSettledOn(area, tornil_test::oldTree());
    }
    // A folder stands where the update brings a file: the copy fails even
    // for root, and the deletions already made are rolled back.
    UpgradeArea area(0);
    tornil_test::prepareStandardUpdate(area);
    tornil_test::Tree before = tornil_test::oldTree();
    before["added.txt/in the way"] = "a folder of the file's name";
    tornil_test::writeTree(area.program(), before);
    tornil_test::writeTree(area.area() / "backup", before);
    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("Aktualizace se nezdařila, návrat k původní verzi úspěšně proveden.", lastLine(run.out)) << run.out;
    expectSettledOn(area, before);
}

TEST(UpdateRun, WithoutAReadableHandOverNothingIsTouchedAndNothingIsLogged) {
    UpgradeArea area(2);
    tornil_test::prepareStandardUpdate(area);
    const fs::path logFolder = area.area().parent_path() / "ProgramData" / "Tesk Upgrade";
    testkit::writeFile(logFolder / "log.enable", "0\n");
    const std::string conf = testkit::readFile(area.area() / "bin" / "conf");
    testkit::writeFile(area.area() / "bin" / "conf", conf.substr(0, conf.find("\n2\n")) + "\n3\n1\n");

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("Aktualizace se nezdařila", lastLine(run.out));
    EXPECT_EQ("", area.differenceFrom(tornil_test::oldTree()));
    EXPECT_TRUE(fs::exists(area.area() / "update" / "added.txt"));
    EXPECT_TRUE(fs::exists(area.area() / "backup" / "app.bin"));
    EXPECT_FALSE(fs::exists(logFolder / "lumvar.log"));

    // Words in the program's own path are no command.
    const fs::path oddFolder = area.area() / "RunUpdate Rollback";
    fs::create_directories(oddFolder);
    fs::copy_file(area.upgradeProgram(), oddFolder / "Tornil.exe");
    const testkit::RunResult unknown = testkit::run({(oddFolder / "Tornil.exe").string()}, area.upgradeOptions());
    EXPECT_EQ(255, unknown.exitCode);
    EXPECT_EQ("Neznamy prikaz. Tato aplikace je soucasti reseni pro automatickou aktualizaci aplikaci Tesk a neni "
              "urcena pro samostatne spousteni.\n",
              unknown.out);

    // With the log asked for, the lines go to the log file.
    testkit::writeFile(logFolder / "log.enable", "1\n");
    area.runUpgrade("RunUpdate");
    const std::string log = testkit::readFile(logFolder / "lumvar.log");
    EXPECT_NE(std::string::npos, log.find("Language 3 doesnt exists")) << log;
    EXPECT_EQ(fs::perms::none, fs::status(logFolder / "lumvar.log").permissions() & fs::perms::others_write);
}

// Watches a folder tree for changes, following the folders made in it.
class TreeWatch {
public:
    explicit TreeWatch(const fs::path& root) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        add(root);
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_directory()) add(entry.path());
    }
    ~TreeWatch() { close(m_fd); }
    // Changes seen now (waiting up to 20 ms).
    int changes() {
        pollfd watched{m_fd, POLLIN, 0};
        if (poll(&watched, 1, 20) <= 0) return 0;
        alignas(inotify_event) char buffer[8192];
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        int count = 0;
        for (ssize_t at = 0; n > 0 && at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_ISDIR && event->mask & IN_CREATE && m_folders.count(event->wd))
                add(m_folders[event->wd] / event->name);
            if (!(event->mask & (IN_IGNORED | IN_DELETE_SELF))) ++count;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return count;
    }

private:
    void add(const fs::path& folder) {
        const int wd = inotify_add_watch(m_fd, folder.c_str(),
                                         IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB);
        if (wd >= 0) m_folders[wd] = folder;
    }
    int m_fd;
    std::map<int, fs::path> m_folders;
};

// Starts the upgrade program and kills it once the program folder has
// changed `after` times; whether the rollback guard stood at its death, or
// nothing when it ended on its own before.
std::optional<bool> killUpdateAfter(const UpgradeArea& area, int after) {
    TreeWatch watch(area.program());
    const testkit::RunOptions options = area.upgradeOptions();
    const std::string program = area.upgradeProgram();
    const pid_t upgrade = fork();
    if (upgrade == 0) {
        for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        execl(program.c_str(), program.c_str(), "RunUpdate", nullptr);
        _exit(127);
    }
    int seen = 0;
    for (;;) {
        seen += watch.changes();
        if (seen >= after) {
            kill(upgrade, SIGKILL);
            waitpid(upgrade, nullptr, 0);
            return !area.runOnceValues().empty();
        }
        if (waitpid(upgrade, nullptr, WNOHANG) == upgrade) return std::nullopt;
    }
}

TEST(UpdateRun, KilledAtAnyChangeTheNextLogonLeavesTheOldTreeOrTheNewOneNeverAMix) {
    int killed = 0;
    for (int after = 1;; ++after) {
        UpgradeArea area(2);
        tornil_test::prepareStandardUpdate(area);
        const std::optional<bool> guarded = killUpdateAfter(area, after);
        if (!guarded) break;
        ++killed;
        // The next logon. The program folder changes only while the guard
        // stands: a kill under it rolls back, a kill after it leaves the
        // finished update.
        testkit::RunOptions options = area.upgradeOptions();
        const testkit::RunResult logon = testkit::run({TESK_RUNONCE}, options);
        EXPECT_EQ(0, logon.exitCode) << logon.err;
        if (*guarded)
            EXPECT_EQ("", area.differenceFrom(tornil_test::oldTree())) << "killed under the guard after change " << after;
        else
            EXPECT_EQ("", area.differenceFrom(tornil_test::newTree())) << "killed after the guard, change " << after;
        EXPECT_TRUE(area.runOnceValues().empty()) << after;
        ASSERT_LT(after, 200) << "the update never ends";
    }
    // Deletions, copies and folders: many points were tried.
    EXPECT_GE(killed, 8);
}

}  // namespace
