// The wizard's view: the pages of the program's resources in one HTML
// view, the commands the pages ask for ("URL_" keys) handed to the frame,
// the view's own page history for Back, Home and Refresh, and the filling
// of a page after it loads and its reading before it is left.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "command_keys.h"
#include "halvex/request_model.h"
#include "renewal_choice.h"
#include "platform/html_view.h"

namespace halvex {

class HalvexView {
public:
    // What the view asks of its frame: a page command that is not the
    // view's own, the Home command (requests reset, home page shown), a
    // toolbar or accelerator command, closing the window.
    struct Frame {
        std::function<void(const CommandCall& call)> pageCommand;
        std::function<void()> home;
        std::function<void(int command)> frameCommand;
        std::function<void()> closeRequested;
        // Fills or reads a page the frame's steps own (the summary,
        // "appendix.htm", the review page); false when that fails.
        std::function<bool(const std::string& page, bool toPage)> syncPage;
        // What the wizard's pages show and what they are read into.
        RenewalChoice* choice = nullptr;
        std::array<TCertRequest, 3>* requests = nullptr;
    };

    // The window as the options lay it out; their events are the view's.
    HalvexView(platform::ui::HtmlViewOptions options, Frame frame);

    // Shows a page of the resources; with history the page being left is
    // remembered for Back (once, when it is already on top). A name the
    // program carries no page of is logged and the view stays.
    void Go2Res(bool withHistory, const std::u16string& page);
    // Back pops the program's history; the view's own is followed only
    // from the error page, which forgets the program's while the program
    // keeps the state of the page before it. Home leaves nothing to go
    // back to: what the earlier pages showed was reset with the requests.
    void Back();
    bool CanGoBack() const;
    void Home();
    void ReloadPage();
    // Clears the history and shows the error page with the text.
    void GoErrorPage(const std::u16string& text);

    // "set" (toPage) fills the page shown, "get" reads it back; false for
    // a page the program does not know.
    bool SynchronizeHtmlData(bool toPage);
    // The page shown is not read back when it is next left.
    void SkipNextRead() { m_skipOnce = true; }

    // The name of the page shown ("home.htm"); empty before the first.
    std::string PageName() const;
    platform::ui::HtmlView& Html() { return *m_view; }

private:
    bool OnBeforeNavigate(const std::string& url);
    void OnDocumentComplete(const std::string& url);
    void RunCommand(const CommandCall& call);
    // The Back button follows the histories.
    void UpdateBack();

    Frame m_frame;
    std::unique_ptr<platform::ui::HtmlView> m_view;
    std::deque<std::string> m_history;
    bool m_skipOnce = false;
    bool m_canGoBack = false;
    std::u16string m_errorText;
};

}  // namespace halvex
