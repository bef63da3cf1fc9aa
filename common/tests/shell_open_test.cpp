#include "common/shell_open.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "platform/ansi_name.h"
#include "platform/ui.h"
#include "testkit/scoped_env.h"
#include "testkit/platform_root.h"
#include "win32/ui.h"

namespace fs = std::filesystem;

namespace {

// ShellExecute runs the program named by PLATFORM_OPEN_COMMAND in place of
// xdg-open; the stub records its arguments and exits with a chosen status
// (3: no program handles the file).
class OpenWithShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ui::setBackend(nullptr);
        platform::ui::script::clear();
        platform::ui::script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
        TLogStrVect::Instance()->SetMask(0xFF);
        documentPath = root.write("docs/a \"quoted\" $(name).txt", "text");
        document = platform::paths::toAnsiName(documentPath);
    }
    void TearDown() override {
        platform::ui::script::clear();
        platform::ui::setBackend(nullptr);
        TLogStrVect::ReleaseInstance();
    }

    void launcherExits(int status) {
        const fs::path stub = root.write("bin/open-stub",
                                         "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"" + (root.path() / "args").string() +
                                             "\"\nexit " + std::to_string(status) + "\n");
        fs::permissions(stub, fs::perms::owner_all);
        command.emplace("PLATFORM_OPEN_COMMAND", stub.string());
    }

    std::vector<std::string> logged() {
        std::vector<std::string> out;
        TLogStrVect::Instance()->GetAll(out);
        return out;
    }

    void expectFailureLogged() {
        const auto lines = logged();
        ASSERT_EQ(1u, lines.size());
        EXPECT_NE(std::string::npos, lines[0].find("ERR  ShellExecute(): '" + document + "' failed, "));
    }

    testkit::PlatformRoot root;
    ScopedEnv ui{"PLATFORM_UI", "script"};
    std::optional<ScopedEnv> command;
    fs::path documentPath;
    std::string document;  // as the ANSI functions take it
};

TEST_F(OpenWithShellTest, StartedProgramGivesZeroAndGetsThePathAsOneArgument) {
    launcherExits(0);
    EXPECT_EQ(0, OpenWithShell(nullptr, document.c_str(), "open"));
    EXPECT_EQ("1\n" + documentPath.string() + "\n", root.read("args"));
    EXPECT_TRUE(logged().empty());
}

TEST_F(OpenWithShellTest, NoAssociationOffersTheOpenWithChooser) {
    launcherExits(3);
    platform::ui::script::queue("OpenWith", "IDOK");
    EXPECT_EQ(0, OpenWithShell(nullptr, document.c_str(), "open"));
    EXPECT_EQ(0u, platform::ui::script::pending());
    const auto asked = platform::ui::script::transcript();
    ASSERT_EQ(1u, asked.size());
    EXPECT_NE(std::string::npos, asked[0].find("OpenWith: "));
    EXPECT_NE(std::string::npos, asked[0].find("a \"quoted\" $(name).txt"));
    expectFailureLogged();
}

TEST_F(OpenWithShellTest, CancelledChooserGivesNoAssociation) {
    launcherExits(3);
    platform::ui::script::queue("OpenWith", "IDCANCEL");
    EXPECT_EQ(kShellNoAssociation, OpenWithShell(nullptr, document.c_str(), "open"));
    EXPECT_EQ(0u, platform::ui::script::pending());
    expectFailureLogged();
}

TEST_F(OpenWithShellTest, OtherVerbsGetNoChooser) {
    launcherExits(3);
    EXPECT_EQ(kShellNoAssociation, OpenWithShell(nullptr, document.c_str(), "print"));
    EXPECT_TRUE(platform::ui::script::transcript().empty());
    expectFailureLogged();
}

TEST_F(OpenWithShellTest, OtherFailuresGiveTheGeneralError) {
    launcherExits(4);
    EXPECT_EQ(kShellFailed, OpenWithShell(nullptr, document.c_str(), "open"));
    EXPECT_TRUE(platform::ui::script::transcript().empty());
    expectFailureLogged();
}

TEST_F(OpenWithShellTest, MissingFileIsAGeneralError) {
    launcherExits(0);
    document = platform::paths::toAnsiName(root.path() / "missing.txt");
    EXPECT_EQ(kShellFailed, OpenWithShell(nullptr, document.c_str(), "open"));
    expectFailureLogged();
}

}  // namespace
