// The working files a request document is signed through: made only under
// a name that is free, in a folder nobody but its owner can reach, gone
// with the pair; a document that cannot be written or that changes before
// it is read back is never signed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "halvex/mirelo_signer.h"
#include "platform/ui.h"
#include "request_signing.h"
#include "testkit/platform_root.h"
#include "working_files.h"

namespace {

namespace fs = std::filesystem;
namespace script = platform::ui::script;

unsigned ModeOf(const fs::path& path) {
    struct stat status{};
    EXPECT_EQ(0, ::lstat(path.c_str(), &status)) << path;
    return status.st_mode & 07777;
}

// What was under the names drawn first stays as it was: a document, a link
// to a file outside the folder, a container whose document name was free.
// A folder left open to everyone (as a wide umask makes it) is closed to
// others before anything is put into it.
TEST(WorkingFiles, TakeOnlyAFreeNameInAFolderForTheOwnerAloneAndGoWithThePair) {
    testkit::PlatformRoot root;
    setenv("APPDATA", root.path().c_str(), 1);
    const fs::path folder = root.path() / "Tesk";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    root.write("Tesk/taken.txt", "someone's document");
    const fs::path outside = root.write("outside.txt", "kept");
    fs::create_symlink(outside, folder / "linked.txt");
    root.write("Tesk/half.kyd", "someone's container");

    const std::vector<std::string> names{"taken", "linked", "half", "free"};
    std::size_t drawn = 0;
    {
        const halvex::WorkingFiles files([&] { return names.at(drawn++); });
        ASSERT_TRUE(files.Created());
        EXPECT_EQ(folder / "free.txt", files.Text());
        EXPECT_EQ(folder / "free.kyd", files.Container());
        EXPECT_EQ(0700u, ModeOf(folder));
        EXPECT_EQ(0600u, ModeOf(files.Text()));
        EXPECT_EQ(0600u, ModeOf(files.Container()));
        EXPECT_FALSE(fs::exists(folder / "half.txt"));
    }
    EXPECT_EQ("someone's document", root.read("Tesk/taken.txt"));
    EXPECT_TRUE(fs::is_symlink(folder / "linked.txt"));
    EXPECT_EQ("kept", root.read("outside.txt"));
    EXPECT_EQ("someone's container", root.read("Tesk/half.kyd"));
    EXPECT_FALSE(fs::exists(folder / "free.txt"));
    EXPECT_FALSE(fs::exists(folder / "free.kyd"));

    // Drawn at random: the name's alphabet and length, a new one each time.
    const halvex::WorkingFiles first;
    const halvex::WorkingFiles second;
    ASSERT_TRUE(first.Created() && second.Created());
    EXPECT_TRUE(std::regex_match(first.Text().stem().string(), std::regex("[0-9A-Ya-y]{15,29}")));
    EXPECT_EQ(first.Text().stem(), first.Container().stem());
    EXPECT_NE(first.Text(), second.Text());
}

// A link in the folder's place, a file, a folder of another user: none is
// used or changed, and the document is never written.
TEST(WorkingFiles, AFolderThatIsALinkAFileOrAnotherUsersIsNotUsed) {
    testkit::PlatformRoot root;
    const fs::path elsewhere = root.path() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::permissions(elsewhere, fs::perms::all);
    fs::create_directory(root.path() / "linked");
    fs::create_directory_symlink(elsewhere, root.path() / "linked" / "Tesk");
    root.write("file/Tesk", "not a folder");
    std::vector<fs::path> places{root.path() / "linked", root.path() / "file"};
    if (::geteuid() == 0) {
        const fs::path others = root.path() / "others" / "Tesk";
        fs::create_directories(others);
        fs::permissions(others, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
        ASSERT_EQ(0, ::chown(others.c_str(), 65534, 65534));
        places.push_back(others.parent_path());
    }
    for (const fs::path& place : places) {
        setenv("APPDATA", place.c_str(), 1);
        EXPECT_TRUE(halvex::TeskDataFolder().empty()) << place;
        EXPECT_FALSE(halvex::WorkingFiles().Created()) << place;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(0777u, ModeOf(elsewhere));
    EXPECT_EQ("not a folder", root.read("file/Tesk"));
    if (::geteuid() == 0) {
        EXPECT_EQ(0755u, ModeOf(root.path() / "others" / "Tesk"));
    }
    unsetenv("APPDATA");
    EXPECT_FALSE(halvex::WorkingFiles().Created());
}

// The signer is never reached: the document changed between writing and
// reading back, or no working file to write it to. Each is told, and the
// changed file is removed.
TEST(SignRequest, ADocumentThatChangesOrCannotBeWrittenIsNeverSigned) {
    testkit::PlatformRoot root;
    setenv("PLATFORM_UI", "script", 1);
    script::clear();
    setenv("APPDATA", root.path().c_str(), 1);
    halvex::Mirelo signer;  // never set up: asking it would fail loudly
    std::string container = "before";

    fs::path document;
    script::queue("MessageBox", "IDOK", "Error:\nSoubor se žádostí byl změněn. Žádost není možné podepsat.");
    EXPECT_FALSE(halvex::SignRequest(signer, u"certificate", u"<Tesk>žádost</Tesk>", container,
                                     [&](const fs::path& written) {
                                         document = written;
                                         EXPECT_EQ("<Tesk>žádost</Tesk>", testkit::readFile(written));
                                         testkit::writeFile(written, "<Tesk>jiná žádost</Tesk>");
                                     }));
    EXPECT_FALSE(document.empty());
    EXPECT_FALSE(fs::exists(document));
    EXPECT_TRUE(fs::is_empty(root.path() / "Tesk"));

    fs::remove(root.path() / "Tesk");
    root.write("Tesk", "not a folder");
    script::queue("MessageBox", "IDOK", "Error:\nChyba při zápisu do souboru.");
    EXPECT_FALSE(halvex::SignRequest(signer, u"certificate", u"<Tesk/>", container,
                                     [](const fs::path&) { ADD_FAILURE() << "written"; }));
    EXPECT_EQ("before", container);
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
    unsetenv("APPDATA");
}

}  // namespace
