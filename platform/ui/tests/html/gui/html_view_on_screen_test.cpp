// The HTML view in a real window on a private X server: pages from this
// program's resources shown by WebKitGTK, and one page-action script that
// ends in the same page state in both backends.
#include <gtest/gtest.h>
// Before GTK, whose TRUE and FALSE are macros.
#include "win32/messages.h"
#include <gtk/gtk.h>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../pages_fixture.h"
#include "platform/ui.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/xvfb.h"

namespace script = platform::ui::script;
using html_pages::pageUrl;

namespace {

// Handles what the view's thread sends this one (its events) until done()
// holds or the time is up.
template <class Done>
void pumpUntil(Done done, int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    MSG message;
    while (!done() && std::chrono::steady_clock::now() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        g_usleep(10000);
    }
}

// A screenshot of the view's window once it shows the texts.
void screenshot(const testkit::Xvfb& xvfb, const std::string& name, const std::vector<std::string>& texts) {
    EXPECT_NO_THROW(xvfb.screenshotShowing(name, testkit::findWindow("Průvodce"), texts));
}

// The window's close button, pressed on the thread that runs GTK.
gboolean closeViewWindow(gpointer) {
    for (GList* w = gtk_window_list_toplevels(); w; w = g_list_delete_link(w, w))
        if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(w->data)), "Průvodce") == 0) gtk_window_close(GTK_WINDOW(w->data));
    return G_SOURCE_REMOVE;
}

// Whether a popover (a context menu is one) shows inside the widget.
bool popoverShown(GtkWidget* widget) {
    if (GTK_IS_POPOVER(widget) && gtk_widget_get_visible(widget)) return true;
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child; child = gtk_widget_get_next_sibling(child))
        if (popoverShown(child)) return true;
    return false;
}

// The same for every window, asked on the thread that runs GTK.
gboolean findPopover(gpointer answer) {
    bool shown = false;
    for (GList* w = gtk_window_list_toplevels(); w; w = g_list_delete_link(w, w))
        shown = shown || popoverShown(GTK_WIDGET(w->data));
    static_cast<std::promise<bool>*>(answer)->set_value(shown);
    return G_SOURCE_REMOVE;
}

class HtmlViewOnScreen : public ::testing::Test {
protected:
    // One X server for the program: GTK keeps the display it opened first.
    static void SetUpTestSuite() {
        if (testkit::findProgram("Xvfb") && testkit::findProgram("import")) s_xvfb = new testkit::Xvfb();
    }
    static void TearDownTestSuite() {
        delete s_xvfb;
        s_xvfb = nullptr;
    }
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("Xvfb");
        TESTKIT_REQUIRE_PROGRAM("import");
        TESTKIT_REQUIRE_PROGRAM("tesseract");
        script::clear();
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    // The backend is chosen again at the next UI call.
    void use(const std::string& backend) {
        m_backend.reset();
        m_backend = std::make_unique<ScopedEnv>("PLATFORM_UI", backend);
        platform::ui::setBackend(nullptr);
    }

    static inline testkit::Xvfb* s_xvfb = nullptr;
    ScopedEnv m_gdk{"GDK_BACKEND", "x11"};
    ScopedEnv m_renderer{"GSK_RENDERER", "cairo"};
    ScopedEnv m_accessibility{"NO_AT_BRIDGE", "1"};
    std::unique_ptr<ScopedEnv> m_backend;
};

TEST_F(HtmlViewOnScreen, PageFromResourcesFollowsLinksAsksTheProgramAndIsReadThroughScript) {
    TESTKIT_REQUIRE_PROGRAM("xdotool");
    use("gtk");
    html_pages::Recorded recorded;
    const auto view = html_pages::makeRecordedView(recorded);
    view->navigate(pageUrl("start.htm"));
    ASSERT_TRUE(view->waitUntilSettled());
    ASSERT_EQ(std::vector<std::string>{pageUrl("start.htm")}, recorded.completed);
    EXPECT_EQ(pageUrl("start.htm"), recorded.asked.at(0));
    EXPECT_EQ("head", view->className("title"));
    EXPECT_EQ("Poznámka &amp; podrobnosti", view->innerHtml("note"));
    screenshot(*s_xvfb, "ui-html-view-start",
               {"Začátek průvodce", "Vyplnit formulář", "Zkontrolovat údaje", "Poznámka & podrobnosti"});

    // A right click on the page opens no menu.
    const std::string id = testkit::findWindow("Průvodce");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(0, testkit::run({"xdotool", "mousemove", "--window", id, "200", "200", "click", "3"}).exitCode);
    pumpUntil([] { return false; }, 800);
    std::promise<bool> answer;
    g_idle_add(findPopover, &answer);
    auto shown = answer.get_future();
    pumpUntil([&] { return shown.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000);
    EXPECT_FALSE(shown.get());

    // Commands reach the program, which cancels them: the page stays.
    std::string why;
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("click:check_data"), &why)) << why;
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("click:help_img"), &why)) << why;
    EXPECT_EQ((std::vector<std::string>{"URL_DATACHECK", "URL_HELP_CSP_LIST"}), recorded.commands);
    EXPECT_EQ(pageUrl("URL_HELP_CSP_LIST"), recorded.asked.back());
    EXPECT_EQ(1u, recorded.completed.size());

    // A link to the second page: asked, loaded, its fields read; the
    // page's own function fills its list.
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("click:to_form"), &why)) << why;
    EXPECT_EQ(pageUrl("form.htm"), recorded.asked.back());
    EXPECT_EQ(pageUrl("form.htm"), view->location());
    EXPECT_EQ(2u, recorded.completed.size());
    EXPECT_TRUE(recorded.canGoBack);
    EXPECT_EQ("Jan", view->value("RA_NAME"));
    EXPECT_TRUE(view->callFunction("Add2CertList", {"(Q) Jan Novák", "Kvalifikovaný \"certifikát\"", "4"}));
    EXPECT_EQ("4", view->value("MYCERT_LIST"));
    EXPECT_FALSE(view->callFunction("NoSuchFunction", {}));
    EXPECT_EQ(std::nullopt, view->value("NO_SUCH"));
    // What an element shows is its text below all its markup, whole.
    EXPECT_TRUE(view->setInnerHtml("RA_TEMPLATE_HTML", "<b>A</b> &amp; B"));
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("shows:RA_TEMPLATE_HTML:A%20&%20B"), &why)) << why;
    EXPECT_FALSE(view->perform(platform::ui::parsePageAction("shows:RA_TEMPLATE_HTML:A"), &why));
    EXPECT_EQ("the element shows \"A & B\"", why);
    screenshot(*s_xvfb, "ui-html-view-form", {"Jméno:", "Souhlasím", "Jan Novák", "Petra Malá", "první řádek"});

    // A command whose handler reads the page being left and loads it anew
    // (as a reload does): the fresh page has its first option again.
    std::string nameRead;
    recorded.onCommand = [&](const std::string&) {
        nameRead = view->value("RA_NAME").value_or("(none)");
        view->navigate(pageUrl("form.htm"));
    };
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("set:RA_NAME:Eva"), &why)) << why;
    EXPECT_TRUE(view->perform(platform::ui::parsePageAction("select:RA_KEY_USAGE:2"), &why)) << why;
    EXPECT_EQ("Eva", nameRead);
    EXPECT_EQ(3u, recorded.completed.size());
    EXPECT_EQ("1", view->value("RA_KEY_USAGE"));
    EXPECT_EQ("Jan", view->value("RA_NAME"));

    // Closing the window is the program's to decide: it is told, and the
    // view goes on.
    int closeRequests = 0;
    recorded.onClose = [&] { ++closeRequests; };
    g_idle_add(closeViewWindow, nullptr);
    pumpUntil([&] { return closeRequests > 0; }, 5000);
    EXPECT_EQ(1, closeRequests);
    EXPECT_EQ("Jan", view->value("RA_NAME"));
}

// What a test compares of a page after the actions.
std::map<std::string, std::string> pageState(platform::ui::HtmlView& view, const html_pages::Recorded& recorded) {
    std::map<std::string, std::string> state;
    state["location"] = view.location().substr(view.location().rfind('/') + 1);
    for (const char* id : {"RA_NAME", "RA_TEXT", "RA_KEY_USAGE", "MYCERT_LIST"})
        state[std::string("value ") + id] = view.value(id).value_or("(none)");
    for (const char* id : {"AGREE", "ODB0", "ODB1"}) {
        const auto checked = view.checked(id);
        state[std::string("checked ") + id] = checked ? (*checked ? "yes" : "no") : "(none)";
    }
    state["selected MYCERT_LIST"] = std::to_string(view.selectedIndex("MYCERT_LIST").value_or(-2));
    state["class back"] = view.className("back").value_or("(none)");
    for (const auto& command : recorded.commands) state["commands"] += command + " ";
    state["pages completed"] = std::to_string(recorded.completed.size());
    return state;
}

std::map<std::string, std::string> playTheScript(const html_pages::Recorded& recorded, platform::ui::HtmlView& view) {
    for (const char* action : {"click:check_data", "click:help_img", "click:to_form", "set:RA_NAME:Petra",
                               "set:RA_TEXT:druhý", "check:AGREE", "check:ODB1", "uncheck:AGREE", "check:AGREE",
                               "select:RA_KEY_USAGE:2", "expect:form.htm"})
        script::queue("Page", action);
    view.defineFunction("Add2CertList", [](platform::ui::HtmlView& v, const std::vector<std::string>& args) {
        v.setInnerHtml("MYCERT_LIST", v.innerHtml("MYCERT_LIST").value_or("") + "<option value=\"" + args.at(2) +
                                          "\">" + args.at(0) + "</option>");
    });
    view.navigate(pageUrl("start.htm"));
    view.waitUntilSettled();
    EXPECT_EQ(11u, view.playScriptedActions());
    EXPECT_TRUE(view.callFunction("Add2CertList", {"(Q) Jan", "popis", "3"}));
    EXPECT_TRUE(view.callFunction("Add2CertList", {"(P) Eva", "popis | druhý", "5"}));
    EXPECT_TRUE(view.setClassName("back", "nav hidden_item"));
    return pageState(view, recorded);
}

TEST_F(HtmlViewOnScreen, OnePageActionScriptEndsInTheSamePageStateInBothBackends) {
    use("script");
    html_pages::Recorded withoutWindow;
    const auto scripted = playTheScript(withoutWindow, *html_pages::makeRecordedView(withoutWindow));
    EXPECT_EQ("Petra", scripted.at("value RA_NAME"));
    EXPECT_EQ("URL_DATACHECK URL_HELP_CSP_LIST URL_ONCHANGE_KEYUSAGE ", scripted.at("commands"));

    use("gtk");
    html_pages::Recorded onScreen;
    const auto view = html_pages::makeRecordedView(onScreen);
    const auto shown = playTheScript(onScreen, *view);
    screenshot(*s_xvfb, "ui-html-view-scripted", {"Jméno:", "Petra", "druhý", "Souhlasím"});
    EXPECT_EQ(scripted, shown);
}

}  // namespace
