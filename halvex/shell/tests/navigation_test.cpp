// The wizard's view: the home page after start-up, the pages' commands
// dispatched by their keys, the view's own history for Back (the page left
// by Back is not read), Home, and the error page, whose text shows
// literally.
#include <string>

#include "command_keys.h"
#include "shell_fixture.h"

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

    follow("URL_HELP_CSP_LIST");
    EXPECT_EQ("4005.htm", opener.opened(3).filename());
    follow("URL_HELP_NAME");
    EXPECT_EQ("index.htm", opener.opened(4).filename()) << "a key without a topic opens the default page";
    EXPECT_EQ("data_renew.htm", page());
}

}  // namespace
