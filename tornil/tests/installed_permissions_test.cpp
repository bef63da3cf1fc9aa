// The update's files come without permissions: each file that replaces an
// installed one keeps the installed file's, so that a program stays
// executable and a private file stays private after the update.
#include <gtest/gtest.h>

#include <filesystem>

#include "upgrade_area.h"

namespace {

namespace fs = std::filesystem;

TEST(InstalledPermissions, AReplacedFileKeepsThePermissionsOfTheFileItReplaces) {
    tornil_test::UpgradeArea area(2);
    tornil_test::prepareStandardUpdate(area);
    const fs::path program = area.program() / "app.bin";
    const fs::path privateFile = area.program() / "lib" / "žluťoučký.dat";
    fs::permissions(program, fs::perms(0755), fs::perm_options::replace);
    fs::permissions(privateFile, fs::perms(0600), fs::perm_options::replace);

    const testkit::RunResult run = area.runUpgrade("RunUpdate");
    EXPECT_TRUE(run.out.ends_with("\nUpdate successfully finished\n")) << run.out;
    EXPECT_EQ("", area.differenceFrom(tornil_test::newTree()));
    EXPECT_EQ(fs::perms(0755), fs::status(program).permissions());
    EXPECT_EQ(fs::perms(0600), fs::status(privateFile).permissions());
}

}  // namespace
