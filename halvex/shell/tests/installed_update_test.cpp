// The installed renewal program updated as a user sees it, every piece its
// own process: the program finds the newer release, the user says Yes, it
// downloads, hands over to the upgrade process and ends; the upgrade
// process waits for it, replaces the program folder, installs and
// registers the COM server, and reports success; the next start shows
// what is new since the version the user had. An update whose COM server
// cannot be registered is rolled back to the installed tree.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "installed_program.h"

namespace {

namespace fs = std::filesystem;
using installed_program::InstalledProgram;

TEST_F(InstalledProgram, YesUpdatesTheProgramAndTheNextStartShowsWhatIsNew) {
    // Each process reads its answers relative to its working folder: the
    // program's is the configuration folder, the upgrade process runs in
    // the download area's bin folder.
    root.write("answers", "MessageBox IDYES Je k dispozici nová verze aplikace.\n");
    testkit::writeFile(downloadArea / "answers", "Dialog press:1002\n");
    // The program's output pipe stays open until the upgrade process, which
    // inherits it, has ended: the run returns once both are done.
    const auto updating = runInstalled({{"PLATFORM_UI", "script:../answers"}});
    EXPECT_EQ(0, updating.exitCode) << updating.err << log();
    // Handed over, the program ends at once: no start-up can hold it.
    EXPECT_NE(std::string::npos, log().find("update outcome 7999")) << log();
    EXPECT_EQ(std::string::npos, log().find("init started")) << log();
    EXPECT_TRUE(updating.out.ends_with("\nAktualizace úspěšně dokončena\n")) << updating.out << updating.err;
    EXPECT_EQ(u"1.0.0.0", storedVersion());
    expectUpdated();
    // Only what changed or is new was fetched.
    const auto updateRequests = server->requests();
    ASSERT_EQ(2u, updateRequests.size());
    std::set<std::string> fetched;
    for (const auto& [location, path] : updateRequests[1].files) fetched.insert(path);
    EXPECT_EQ((std::set<std::string>{"Versions.xml", "halvex", "licence.txt", "sablony/zadost.txt",
                                     systemModule.filename().string()}),
              fetched);

    // The page must be the notes page with the new version and only its
    // notes, closed by its button; any other page or text, or any other
    // question, the update's among them, would end the program.
    root.write("notes-answers",
               "Page expect:upgrade_info.htm\nPage shows:APP_VERSION_ID:1.0.0.1\n"
               "Page shows:CHANGE_ENTRY:Aktualizace%20programuProgram%20se%20aktualizuje%20sám.\n"
               "Page click:ButtonOK\n");
    const auto next = runInstalled({{"PLATFORM_UI", "script:" + (root.path() / "notes-answers").string()}});
    EXPECT_EQ(0, next.exitCode) << next.err << log();
    EXPECT_EQ(u"1.0.0.1", storedVersion());
    const auto requests = server->requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("getfilelist", requests[2].subType);
}

TEST_F(InstalledProgram, AnUpdateThatCannotBeInstalledRestoresTheInstalledProgramFolder) {
    const fs::path installed = root.path() / "installed";
    fs::copy(program, installed, fs::copy_options::recursive);
    // regsvr32 refuses the COM server the release brings.
    testkit::UpdateTree offered = installed_program::releaseTree("1.0.0.1", release);
    offered.files.push_back({testkit::UpdateLocation::SystemCom, "broken.dll", "not a module", false});
    server->publish(offered);
    root.write("answers", "MessageBox IDYES Je k dispozici nová verze aplikace.\n");
    testkit::writeFile(downloadArea / "answers", "Dialog press:1002\n");

    const auto updating = runInstalled({{"PLATFORM_UI", "script:../answers"}});
    EXPECT_EQ(0, updating.exitCode) << updating.err << log();
    EXPECT_TRUE(updating.out.ends_with("\nAktualizace se nezdařila, návrat k původní verzi úspěšně proveden.\n"))
        << updating.out << updating.err;
    const auto diff = testkit::run({"diff", "-r", installed.string(), program.string()});
    EXPECT_EQ(0, diff.exitCode) << diff.out << diff.err;
    EXPECT_FALSE(fs::exists(downloadArea / "update"));
    EXPECT_FALSE(fs::exists(downloadArea / "backup"));
    EXPECT_EQ(u"1.0.0.0", storedVersion());
}

}  // namespace
