#include "upgrade_area.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include "platform/text.h"
#include "testkit/registry_lines.h"
#include "win32/registry.h"

namespace tornil_test {

namespace fs = std::filesystem;

namespace {

// The id of a process that has ended: the client is gone already.
pid_t endedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

}  // namespace

void writeTree(const fs::path& folder, const Tree& tree) {
    fs::create_directories(folder);
    for (const auto& [relative, content] : tree) testkit::writeFile(folder / relative, content);
}

Tree oldTree() {
    return {{"app.bin", "version 1"},
            {"kept.txt", "same in both"},
            {"zrušený soubor.txt", "removed by the update"},
            {"starý adresář/inside.txt", "its folder is removed"},
            {"lib/žluťoučký.dat", "changed below a folder"}};
}

Tree newTree() {
    return {{"app.bin", "version 2, longer than before"},
            {"kept.txt", "same in both"},
            {"added.txt", "brought by the update"},
            {"new dir/deep/n.txt", "in an added folder"},
            {"lib/žluťoučký.dat", "new content"}};
}

void prepareStandardUpdate(const UpgradeArea& area) {
    area.bring("app.bin", "version 2, longer than before");
    area.bring("added.txt", "brought by the update");
    area.bring("new dir/deep/n.txt", "in an added folder");
    area.bring("lib/žluťoučký.dat", "new content");
    area.writeDeleteList("zrušený soubor.txt\n\nstarý adresář\n");
}

UpgradeArea::UpgradeArea(int language, pid_t client) {
    writeTree(program(), oldTree());
    writeTree(area() / "backup", oldTree());
    fs::create_directories(area() / "update" / "_LUMVAR_SYSTEM");
    fs::create_directories(area() / "update" / "_LUMVAR_SYSTEM_COM");
    writeDeleteList("\n");
    fs::create_directories(area() / "bin");
    fs::copy_file(TORNIL_PROGRAM, area() / "bin" / "Tornil.exe");
    testkit::writeFile(area() / "bin" / "conf", program().string() + "/\n" + area().string() + "/\n" +
                                                    std::to_string(language) + "\n" +
                                                    std::to_string(client ? client : endedProcess()) + "\n");
    testkit::writeFile(m_root.path() / "answers", "Dialog press:1002\n");
}

fs::path UpgradeArea::systemFolder() const { return m_root.path() / "Windows" / "System32"; }

void UpgradeArea::bring(const std::string& relative, const std::string& content) const {
    testkit::writeFile(area() / "update" / relative, content);
}

void UpgradeArea::writeDeleteList(const std::string& text) const {
    testkit::writeFile(area() / "update" / "._LUMVAR_delete", text);
}

std::string UpgradeArea::upgradeProgram() const { return (area() / "bin" / "Tornil.exe").string(); }

testkit::RunOptions UpgradeArea::upgradeOptions() const {
    testkit::RunOptions options;
    options.env["PLATFORM_UI"] = "script:" + (m_root.path() / "answers").string();
    // The layer's programs: regsvr32 for the COM servers, runonce for the
    // logon entry the guard leaves.
    options.env["PLATFORM_MODULE_PATH"] =
        fs::path(TESK_REGSVR32).parent_path().string() + ":" + fs::path(TESK_RUNONCE).parent_path().string();
    options.timeout = std::chrono::seconds(60);
    return options;
}

testkit::RunResult UpgradeArea::runUpgrade(const std::string& argument) const {
    return testkit::run({upgradeProgram(), argument}, upgradeOptions());
}

std::string UpgradeArea::differenceFrom(const Tree& tree) const {
    static std::atomic<int> counter{0};
    const fs::path expected = m_root.path() / ("expected" + std::to_string(counter++));
    writeTree(expected, tree);
    const testkit::RunResult diff = testkit::run({"diff", "-r", expected.string(), program().string()});
    fs::remove_all(expected);
    return diff.exitCode == 0 ? std::string() : diff.out + diff.err + "(diff exit " + std::to_string(diff.exitCode) + ")";
}

std::set<std::string> UpgradeArea::runOnceValues() const {
    std::set<std::string> values;
    const std::u16string key = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    for (const std::string& line : testkit::registryLines(HKEY_CURRENT_USER, key))
        if (line != platform::text::toUtf8(key)) values.insert(line);
    return values;
}

}  // namespace tornil_test
