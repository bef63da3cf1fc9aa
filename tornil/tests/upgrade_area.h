// A program folder and a download area as the upgrade client leaves them
// for the upgrade process: the old tree installed, update\ holding what
// turns it into the new tree, backup\ a copy of the old tree, bin\ the
// upgrade program and its conf. Everything lies under a fresh platform root.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace tornil_test {

using Tree = std::map<std::string, std::string>;  // relative file path → content

class UpgradeArea {
public:
    // language: 0 Czech, 1 Slovak, 2 English.
    explicit UpgradeArea(int language = 0, pid_t client = 0);

    // Non-ASCII letters and a blank in the paths the hand-over carries; the
    // blank needs the RunOnce command quoted.
    std::filesystem::path program() const { return m_root.path() / "program ř"; }
    std::filesystem::path area() const { return m_root.path() / "download area"; }
    std::filesystem::path systemFolder() const;
    // Files of the new tree brought by update\ (below the area's update
    // folder, at the same relative path).
    void bring(const std::string& relative, const std::string& content) const;
    void writeDeleteList(const std::string& text) const;

    // The upgrade program run with the argument, confirming its dialog.
    testkit::RunResult runUpgrade(const std::string& argument) const;
    testkit::RunOptions upgradeOptions() const;
    std::string upgradeProgram() const;

    // diff -r of the program folder against the tree; empty when equal.
    std::string differenceFrom(const Tree& tree) const;
    // The values under the user's RunOnce key, as "name = data".
    std::set<std::string> runOnceValues() const;

private:
    testkit::PlatformRoot m_root;
};

// The trees of the standard update: a changed, a kept, an added and a
// removed file, a removed and an added folder, names with blanks and
// non-ASCII letters.
Tree oldTree();
Tree newTree();
// update\ and the delete list that turn the old tree into the new one.
void prepareStandardUpdate(const UpgradeArea& area);

void writeTree(const std::filesystem::path& folder, const Tree& tree);

}  // namespace tornil_test
