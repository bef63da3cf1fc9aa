// The wizard's view: the home page after start-up, the pages' commands
// dispatched by their keys, the view's own history for Back (the page left
// by Back is not read), Home, the error page, whose text shows literally;
// help through its viewer, and a box when it cannot be shown; the About box, the lock panes
// and the toolbar's images.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command_keys.h"
#include "frame_layout.h"
#include "help.h"
#include "shell_fixture.h"
#include "testkit/scoped_env.h"

namespace {

using namespace shell_fixture;

class Navigation : public FrameTest {
protected:
    // How often the log says the page was read back before it was left.
    std::size_t readsOf(const std::string& name) {
        const std::string entry = "/" + name + ", get";
        std::size_t count = 0;
        const std::string text = log();
        for (std::size_t at = text.find(entry); at != std::string::npos; at = text.find(entry, at + 1)) ++count;
        return count;
    }
};

TEST_F(Navigation, HomeLeadsToTheRequestPageAndBackReturnsWithoutReadingIt) {
    ASSERT_EQ("home.htm", page());
    click("HOME_LOAD");
    ASSERT_EQ("selrequest.htm", page());
    EXPECT_EQ(1u, readsOf("home.htm")) << "home is read back when it is left";
    EXPECT_TRUE(frame->View().CanGoBack());

    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("home.htm", page());
    EXPECT_EQ(0u, readsOf("selrequest.htm"));
    // The page the program does not fill is logged as unknown and shown.
    EXPECT_NE(std::string::npos, log().find("SynchronizeHtmlData() page '/selrequest.htm' not found"));
    EXPECT_TRUE(frame->View().SynchronizeHtmlData(true));
    click("HOME_LOAD");
    EXPECT_EQ(2u, readsOf("home.htm")) << "the skip of Back ended with the page it loaded";
    EXPECT_FALSE(frame->View().SynchronizeHtmlData(true));
    frame->OnCommand(halvex::kCommandBack);

    // Going to the same page from the same page twice remembers the page
    // left once: two Backs return home.
    click("HOME_LOAD");
    frame->View().Go2Res(true, u"selrequest.htm");
    frame->View().Go2Res(true, u"selrequest.htm");
    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("selrequest.htm", page());
    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("home.htm", page());

    // Refresh, and a changed key usage, read the page back and load it again.
    click("HOME_LOAD");
    const std::size_t reads = readsOf("selrequest.htm");
    frame->OnCommand(halvex::kCommandRefresh);
    EXPECT_EQ("selrequest.htm", page());
    follow("URL_ONCHANGE_KEYUSAGE");
    EXPECT_EQ("selrequest.htm", page());
    EXPECT_EQ(reads + 2, readsOf("selrequest.htm"));
    frame->OnCommand(halvex::kCommandHome);
    EXPECT_EQ("home.htm", page());
    // Home forgot the program's history and what the pages before showed:
    // Back is not offered, and does nothing.
    EXPECT_FALSE(frame->View().CanGoBack());
    EXPECT_FALSE(frame->View().Html().commandEnabled(halvex::kCommandBack));
    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("home.htm", page());

        // A page the program does not carry leaves the view where it is.
    frame->View().Go2Res(true, u"missing.htm");
    EXPECT_EQ("home.htm", page());
    EXPECT_NE(std::string::npos, log().find("Go2Res(): resource not exists 'missing.htm'"));
}

TEST_F(Navigation, CommandsAreCancelledAndReachTheirHandlers) {
    click("HOME_LOAD");
    follow("URL_APP_GOHOME");
    EXPECT_EQ("home.htm", page()) << "GOHOME is the Home command";

    click("HOME_LOAD");
    for (const char* ignored : {"URL_APP_exit", "URL_APP_EXITNOW", "URL_REQUEST_SEND", "URL_HELP_CSP_LIST"}) {
        SCOPED_TRACE(ignored);
        // This test's program has no help: the help link says so in a box.
        if (std::string_view(ignored) == "URL_HELP_CSP_LIST") platform::ui::script::queue("MessageBox", "IDOK");
        follow(ignored);
        EXPECT_EQ("selrequest.htm", page()) << "a command never leaves the page";
        EXPECT_FALSE(frame->Exiting());
    }
    follow("URL_APP_EXIT");
    EXPECT_TRUE(frame->Exiting());
    EXPECT_EQ("selrequest.htm", page());

    const auto help = halvex::FindPageCommand("res:///opt/halvex/halvex/data_renew.htm/URL_HELP_CSP_LIST");
    ASSERT_TRUE(help);
    EXPECT_EQ(halvex::PageCommand::Help, help->command);
    EXPECT_EQ("CSP_LIST", help->argument);
    const auto type = halvex::FindPageCommand("res:///opt/halvex/halvex/URL_REQ_QC");
    ASSERT_TRUE(type);
    EXPECT_EQ(halvex::PageCommand::RequestType, type->command);
    EXPECT_EQ("QC", type->argument);
    EXPECT_EQ(halvex::PageCommand::RequestSend, halvex::FindPageCommand("res:///h/URL_REQUEST_SEND")->command);
    EXPECT_FALSE(halvex::FindPageCommand("https://example.invalid/URL_SELREQ"));
}

TEST_F(Navigation, TheErrorPageShowsItsTextLiterallyAndForgetsTheHistory) {
    click("HOME_LOAD");
    frame->View().GoErrorPage(u"<b>Server</b> & proxy\r\nrefused <script>x()</script>\n");
    ASSERT_EQ("err_page.htm", page());
    EXPECT_EQ("&lt;b&gt;Server&lt;/b&gt; &amp; proxy<br>refused &lt;script&gt;x()&lt;/script&gt;<br>",
              frame->View().Html().innerHtml("RA_ERR_MSG_ID"));
    // The program's history is gone: Back is the view's own, to the page
    // shown before the error, not the home page the program remembered.
    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("selrequest.htm", page());
}

TEST_F(Navigation, HelpOpensTheTopicOfThePageOrOfTheHelpLink) {
    const RecordingOpener opener(root);
    frame->OnCommand(halvex::kCommandHelp);
    EXPECT_EQ("4014.htm", opener.opened(1).filename());
    frame->View().Go2Res(true, u"data_renew.htm");
    frame->OnCommand(halvex::kCommandHelp);
    const fs::path data = opener.opened(2);
    EXPECT_EQ("4013.htm", data.filename());
    EXPECT_EQ("Halvex_cz", data.parent_path().filename());
    EXPECT_NE(std::string::npos, testkit::run({"cat", data.string()}).out.find("Údaje žádosti"));

    // A help of the same name in the current directory comes first.
    const fs::path here = fs::current_path() / "Halvex_cz";
    testkit::writeFile(here / "4005.htm", "<p>CSP</p>");
    testkit::writeFile(here / "index.htm", "<p>Obsah</p>");
    follow("URL_HELP_CSP_LIST");
    EXPECT_EQ(here / "4005.htm", opener.opened(3));
    follow("URL_HELP_NAME");
    EXPECT_EQ(here / "index.htm", opener.opened(4)) << "a key without a topic opens the default page";
    EXPECT_EQ("data_renew.htm", page());

    // A help without the page asked for says so.
    fs::remove(here / "index.htm");
    platform::ui::script::queue("MessageBox", "IDOK");
    follow("URL_HELP_NAME");
    const auto& lines = platform::ui::script::transcript();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with("MessageBox: Halvex: Nápovědu nelze zobrazit.")) << lines.back();
    EXPECT_EQ("data_renew.htm", page());
}

// Without the help viewer, F1 and a page's help link say in a box that
// help cannot be shown; the viewer is not looked for again.
TEST_F(Navigation, HelpThatCannotBeShownIsSaidSoAndTheViewerIsNotLookedForAgain) {
    const RecordingOpener opener(root);
    const auto boxes = [] {
        std::vector<std::string> shown;
        for (const auto& line : platform::ui::script::transcript())
            if (line.starts_with("MessageBox: Halvex: Nápovědu nelze zobrazit.")) shown.push_back(line);
        return shown;
    };
    {
        const ScopedEnv withoutViewer("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR);
        platform::ui::script::queue("MessageBox", "IDOK");
        frame->OnCommand(halvex::kCommandHelp);
        ASSERT_EQ(1u, boxes().size()) << testing::PrintToString(platform::ui::script::transcript());
        EXPECT_NE(std::string::npos, boxes()[0].find("Halvex_cz")) << boxes()[0];
    }
    platform::ui::script::queue("MessageBox", "IDOK");
    follow("URL_HELP_CSP_LIST");
    EXPECT_EQ(2u, boxes().size()) << "the viewer is not looked for again";
    EXPECT_EQ("home.htm", page());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(root.path() / "opened.txt"));
    const std::string text = log();
    const std::string missing = "AppHelp(): no help viewer (hhctrl.ocx)";
    const auto first = text.find(missing);
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, text.find(missing, first + 1)) << "looked for once";
}

// The About box stays until OK or its close button and leaves the page as
// it was.
TEST_F(Navigation, TheAboutBoxShowsTheVersionUntilClosed) {
    for (const char* answer : {"press:1", "close"}) {
        platform::ui::script::clear();
        platform::ui::script::queue("Dialog", answer);
        frame->OnCommand(halvex::kCommandAbout);
        const auto shown = platform::ui::script::transcript();
        ASSERT_EQ(1u, shown.size()) << testing::PrintToString(shown);
        EXPECT_EQ("Dialog 100: O aplikaci Halvex | -1 static \"Halvex Version 1.0\" | 1 default \"OK\"", shown[0]);
        EXPECT_EQ("home.htm", page());
    }
}

// The lock panes show CAP and NUM while their keys are on; the script
// backend plays the keyboard.
TEST_F(Navigation, TheLockPanesFollowTheKeyboard) {
    auto& html = frame->View().Html();
    EXPECT_EQ("", html.statusText(halvex::kCapsLockPane));
    EXPECT_EQ("", html.statusText(halvex::kNumLockPane));
    html.setKeyLocks(true, false);
    EXPECT_EQ("CAP", html.statusText(halvex::kCapsLockPane));
    EXPECT_EQ("", html.statusText(halvex::kNumLockPane));
    html.setKeyLocks(false, true);
    EXPECT_EQ("", html.statusText(halvex::kCapsLockPane));
    EXPECT_EQ("NUM", html.statusText(halvex::kNumLockPane));
}

// Each button has its own 24 x 24 images: the three share their
// transparent pixels, the disabled one is grey and the normal one no
// darker than the hot one.
TEST_F(Navigation, EachToolbarButtonHasItsNormalHotAndDisabledImages) {
    const auto layout = halvex::FrameLayout(u"Halvex");
    std::vector<std::vector<std::uint8_t>> hotImages;
    for (const auto& button : layout.toolbar) {
        if (button.command == 0) continue;
        ASSERT_TRUE(button.images) << button.label;
        const auto& [normal, hot, disabled] = *button.images;
        for (const auto* image : {&normal, &hot, &disabled}) {
            EXPECT_EQ(24, image->width);
            EXPECT_EQ(24, image->height);
            ASSERT_EQ(24u * 24u * 4u, image->rgba.size());
        }
        int brighter = 0;
        for (std::size_t at = 0; at < hot.rgba.size(); at += 4) {
            ASSERT_EQ(hot.rgba[at + 3], normal.rgba[at + 3]);
            ASSERT_EQ(hot.rgba[at + 3], disabled.rgba[at + 3]);
            if (hot.rgba[at + 3] == 0) continue;
            EXPECT_TRUE(disabled.rgba[at] == disabled.rgba[at + 1] && disabled.rgba[at + 1] == disabled.rgba[at + 2]);
            const int hotSum = hot.rgba[at] + hot.rgba[at + 1] + hot.rgba[at + 2];
            const int normalSum = normal.rgba[at] + normal.rgba[at + 1] + normal.rgba[at + 2];
            EXPECT_GE(normalSum + 3, hotSum);
            brighter += normalSum > hotSum;
        }
        EXPECT_GT(brighter, 0) << button.label;
        hotImages.push_back(hot.rgba);
    }
    ASSERT_EQ(5u, hotImages.size());
    for (std::size_t i = 1; i < hotImages.size(); ++i) EXPECT_NE(hotImages[i - 1], hotImages[i]);
}

}  // namespace
