// The HTML view without a window: pages from this program's resources,
// links and commands, the elements a program reads and writes, and the
// page actions of a script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages_fixture.h"
#include "platform/ui.h"
#include "testkit/scoped_env.h"

namespace script = platform::ui::script;
using html_pages::pageUrl;
using platform::ui::PageAction;

namespace {

class ScriptHtmlView : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        m_view = html_pages::makeRecordedView(m_recorded);
        m_view->navigate(pageUrl("start.htm"));
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    bool act(const std::string& action, std::string* why = nullptr) {
        return m_view->perform(platform::ui::parsePageAction(action), why);
    }

    ScopedEnv m_setting{"PLATFORM_UI", "script"};
    html_pages::Recorded m_recorded;
    std::unique_ptr<platform::ui::HtmlView> m_view;
};

TEST_F(ScriptHtmlView, LinksAndLocationHandlersNavigateBesideThePageAndCommandsAreCancelled) {
    EXPECT_EQ(std::vector<std::string>{pageUrl("start.htm")}, m_recorded.completed);
    EXPECT_FALSE(m_recorded.canGoBack);

    // A command set by onclick, and one reached by a click on the image
    // inside a link: both arrive as addresses beside the page, both
    // cancelled, and the page stays.
    EXPECT_TRUE(act("click:check_data"));
    EXPECT_TRUE(act("click:help_img"));
    EXPECT_EQ((std::vector<std::string>{"URL_DATACHECK", "URL_HELP_CSP_LIST"}), m_recorded.commands);
    EXPECT_EQ(pageUrl("URL_HELP_CSP_LIST"), m_recorded.asked.back());
    EXPECT_EQ(1u, m_recorded.completed.size());
    EXPECT_TRUE(act("expect:start.htm"));

    // A missing page leaves the view where it was; so does an address that
    // is no resource at all.
    EXPECT_TRUE(act("click:missing"));
    m_view->navigate("res://%zz/start.htm");
    m_view->navigate("https://example.invalid/start.htm");
    EXPECT_EQ(pageUrl("start.htm"), m_view->location());
    EXPECT_EQ(1u, m_recorded.completed.size());

    // A command whose handler loads another page itself.
    m_recorded.onCommand = [this](const std::string&) { m_view->navigate(pageUrl("form.htm")); };
    EXPECT_TRUE(act("click:check_data"));
    EXPECT_EQ(pageUrl("form.htm"), m_view->location());
    m_recorded.onCommand = nullptr;
    ASSERT_TRUE(m_view->goBack());
    EXPECT_EQ(pageUrl("start.htm"), m_view->location());

    // A plain link, then a relative "./" one back, each loaded and told.
    EXPECT_TRUE(act("click:to_form"));
    EXPECT_EQ(pageUrl("form.htm"), m_view->location());
    EXPECT_TRUE(m_recorded.canGoBack);
    EXPECT_TRUE(act("click:back"));
    EXPECT_EQ((std::vector<std::string>{pageUrl("start.htm"), pageUrl("form.htm"), pageUrl("start.htm"),
                                        pageUrl("form.htm"), pageUrl("start.htm")}),
              m_recorded.completed);

    // Back in the view's history goes through the program too.
    ASSERT_TRUE(m_view->goBack());
    EXPECT_EQ(pageUrl("form.htm"), m_view->location());
    EXPECT_EQ(pageUrl("form.htm"), m_recorded.asked.back());

    // An expected page that is not shown is told apart.
    std::string why;
    EXPECT_FALSE(act("expect:start.htm", &why));
    EXPECT_EQ("the page shown is \"form.htm\"", why);
}

TEST_F(ScriptHtmlView, ElementsAreReadAndWrittenByIdAsAPageScriptSeesThem) {
    m_view->navigate(pageUrl("form.htm"));
    auto& v = *m_view;
    EXPECT_EQ("Jan", v.value("RA_NAME"));
    EXPECT_TRUE(v.setValue("RA_NAME", "Petra <Nová>"));
    EXPECT_EQ("Petra <Nová>", v.value("RA_NAME"));
    EXPECT_EQ("první řádek", v.value("RA_TEXT"));

    // Radio buttons of one name: checking one unchecks the other.
    EXPECT_EQ(true, v.checked("ODB0"));
    EXPECT_TRUE(v.setChecked("ODB1", true));
    EXPECT_EQ(false, v.checked("ODB0"));
    EXPECT_EQ(true, v.checked("ODB1"));
    EXPECT_EQ(std::nullopt, v.checked("RA_NAME"));

    // A select shows its first option until another is chosen, and takes
    // only the value of one of its options.
    EXPECT_EQ("1", v.value("RA_KEY_USAGE"));
    EXPECT_EQ(0, v.selectedIndex("RA_KEY_USAGE"));
    EXPECT_TRUE(v.setValue("RA_KEY_USAGE", "2"));
    EXPECT_FALSE(v.setValue("RA_KEY_USAGE", "3"));
    EXPECT_EQ(1, v.selectedIndex("RA_KEY_USAGE"));
    EXPECT_EQ(-1, v.selectedIndex("MYCERT_LIST"));

    // Classes and generated markup; an element that is not there.
    EXPECT_EQ("nav", v.className("back"));
    EXPECT_TRUE(v.setClassName("back", "nav hidden_item"));
    EXPECT_EQ("nav hidden_item", v.className("back"));
    EXPECT_TRUE(v.setInnerHtml("RA_TEMPLATE_HTML", "<table class=\"TForm\"><tr><td id=\"cell\">A &amp; B</td></tr></table>"));
    EXPECT_EQ("A &amp; B", v.innerHtml("cell"));
    // What an element shows is its text below all its markup, whole.
    EXPECT_TRUE(act("shows:RA_TEMPLATE_HTML:A%20&%20B"));
    std::string why;
    EXPECT_FALSE(act("shows:RA_TEMPLATE_HTML:A%20&", &why));
    EXPECT_EQ("the element shows \"A & B\"", why);
    EXPECT_THROW(platform::ui::parsePageAction("shows:cell:100%"), std::invalid_argument);
    EXPECT_EQ(std::nullopt, v.value("cell"));
    EXPECT_EQ(std::nullopt, v.value("NO_SUCH"));
    EXPECT_FALSE(v.setValue("NO_SUCH", "x"));
    EXPECT_FALSE(v.setInnerHtml("NO_SUCH", "x"));

    // A disabled element takes no click.
    EXPECT_TRUE(v.setDisabled("back", true));
    EXPECT_FALSE(act("click:back", &why));
    EXPECT_EQ("the element is disabled", why);

    // Page functions run their stand-ins; without one the call fails.
    EXPECT_FALSE(v.callFunction("Add2CertList", {"(Q) Jan", "popis", "0"}));
    v.defineFunction("Add2CertList", [](platform::ui::HtmlView& view, const std::vector<std::string>& args) {
        view.setInnerHtml("MYCERT_LIST", "<option value=\"" + args.at(2) + "\">" + args.at(0) + "</option>");
    });
    EXPECT_TRUE(v.callFunction("Add2CertList", {"(Q) Jan", "popis", "0"}));
    EXPECT_EQ("0", v.value("MYCERT_LIST"));
}

TEST_F(ScriptHtmlView, ScriptedActionsPlayUntilAnotherKindOfAnswerAndWhatCannotBeDoneIsReported) {
    script::queue("Page", "click:to_form", "start.htm");
    script::queue("Page", "set:RA_NAME:Petra");
    script::queue("Page", "check:AGREE");
    script::queue("Page", "check:ODB1");
    script::queue("Page", "select:RA_KEY_USAGE:2");
    script::queue("Page", "expect:form.htm");
    script::queue("MessageBox", "IDOK");
    EXPECT_EQ(6u, m_view->playScriptedActions());
    EXPECT_EQ(1u, script::pending());
    EXPECT_EQ("Petra", m_view->value("RA_NAME"));
    EXPECT_EQ(true, m_view->checked("AGREE"));
    EXPECT_EQ(false, m_view->checked("ODB0"));
    EXPECT_EQ("2", m_view->value("RA_KEY_USAGE"));
    // The select's onchange sends the page to a command.
    EXPECT_EQ(std::vector<std::string>{"URL_ONCHANGE_KEYUSAGE"}, m_recorded.commands);

    // A click whose onclick is other script cannot be followed without
    // it: reported, and the play stops there.
    std::vector<std::string> problems;
    script::clear();
    script::onUnanswered([&problems](const std::string& problem) {
        problems.push_back(problem);
        return 0;
    });
    script::queue("Page", "click:toggle");
    script::queue("Page", "click:back");
    EXPECT_EQ(0u, m_view->playScriptedActions());
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("onclick runs script")) << problems[0];
    EXPECT_EQ(pageUrl("form.htm"), m_view->location());
    EXPECT_THROW(platform::ui::parsePageAction("press:back"), std::invalid_argument);
    EXPECT_THROW(script::queue("Page", "set:RA_NAME"), std::invalid_argument);
}

// A list's onchange as the wizard's pages write it: a page function given
// the list, then the location with the chosen entry's value appended.
TEST_F(ScriptHtmlView, AListsOnchangeRunsItsPageFunctionThenSendsTheChosenValue) {
    ASSERT_TRUE(act("click:to_form"));

    // No stand-in defined: the call is skipped, the command still goes.
    EXPECT_TRUE(act("select:CERT_CHOICE:7"));
    EXPECT_TRUE(act("select:CERT_PLAIN:b"));
    EXPECT_EQ((std::vector<std::string>{"URL_ONCHANGE_CERT_7", "URL_CERT_b"}), m_recorded.commands);

    // A stand-in runs first, given the list's id, and sees the entry chosen.
    std::vector<std::string> seen;
    m_view->defineFunction("KeepCert", [&seen](platform::ui::HtmlView& page, const std::vector<std::string>& args) {
        ASSERT_EQ(1u, args.size());
        seen.push_back(args[0] + "=" + page.value(args[0]).value_or("?"));
    });
    m_recorded.onCommand = [&seen](const std::string& command) { seen.push_back(command); };
    EXPECT_TRUE(act("select:CERT_CHOICE:4"));
    EXPECT_EQ((std::vector<std::string>{"CERT_CHOICE=4", "URL_ONCHANGE_CERT_4"}), seen);
    m_recorded.onCommand = nullptr;

    // Any other expression stays unanswered, nothing of it run.
    seen.clear();
    std::string why;
    EXPECT_FALSE(act("select:CERT_OTHER:y", &why));
    EXPECT_NE(std::string::npos, why.find("onchange runs script")) << why;
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(3u, m_recorded.commands.size()) << "nothing sent";
    EXPECT_EQ(pageUrl("form.htm"), m_view->location());
}

}  // namespace
