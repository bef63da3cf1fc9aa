// The gtk view as the program's thread uses it: every call runs on the
// layer's GTK thread, and the view's events come back to the thread that
// made the view, which handles them while it waits in a call or takes its
// messages.
#include <utility>

#include "gtk_calls.h"
#include "html_view_backends.h"
#include "thread_queues.h"
#include "win32/process.h"

namespace platform::ui::gtk {

namespace {

// Each event runs on the owner thread while the GTK thread waits.
HtmlViewEvents onOwnerThread(HtmlViewEvents events, DWORD owner) {
    HtmlViewEvents moved;
    if (events.beforeNavigate)
        moved.beforeNavigate = [handler = std::move(events.beforeNavigate), owner](const std::string& url) {
            bool cancel = false;
            queues::runOnThread(owner, [&] { cancel = handler(url); });
            return cancel;
        };
    if (events.documentComplete)
        moved.documentComplete = [handler = std::move(events.documentComplete), owner](const std::string& url) {
            queues::runOnThread(owner, [&] { handler(url); });
        };
    if (events.commandStateChange)
        moved.commandStateChange = [handler = std::move(events.commandStateChange), owner](NavigationCommand c,
                                                                                            bool enabled) {
            queues::runOnThread(owner, [&] { handler(c, enabled); });
        };
    if (events.closeRequested)
        moved.closeRequested = [handler = std::move(events.closeRequested), owner] {
            queues::runOnThread(owner, [&] { handler(); });
        };
    if (events.command)
        moved.command = [handler = std::move(events.command), owner](int command) {
            queues::runOnThread(owner, [&] { handler(command); });
        };
    return moved;
}

class GtkThreadView final : public HtmlView {
public:
    explicit GtkThreadView(HtmlViewOptions options) {
        options.events = onOwnerThread(std::move(options.events), GetCurrentThreadId());
        m_view = callFor([&] { return gtk::makeHtmlView(std::move(options)); });
    }
    ~GtkThreadView() override {
        try {
            call([this] { m_view.reset(); });
        } catch (...) {
            // GTK went away with the view; nothing is left to release.
        }
    }
    GtkThreadView(const GtkThreadView&) = delete;
    GtkThreadView& operator=(const GtkThreadView&) = delete;

    void navigate(const std::string& url) override { call([&] { m_view->navigate(url); }); }
    bool goBack() override { return callFor([&] { return m_view->goBack(); }); }
    bool waitUntilSettled(int limitMs) override { return callFor([&] { return m_view->waitUntilSettled(limitMs); }); }
    std::string location() const override { return callFor([&] { return m_view->location(); }); }
    std::optional<std::string> value(const std::string& id) override {
        return callFor([&] { return m_view->value(id); });
    }
    bool setValue(const std::string& id, const std::string& text) override {
        return callFor([&] { return m_view->setValue(id, text); });
    }
    std::optional<bool> checked(const std::string& id) override {
        return callFor([&] { return m_view->checked(id); });
    }
    bool setChecked(const std::string& id, bool on) override {
        return callFor([&] { return m_view->setChecked(id, on); });
    }
    std::optional<int> selectedIndex(const std::string& id) override {
        return callFor([&] { return m_view->selectedIndex(id); });
    }
    bool setDisabled(const std::string& id, bool disabled) override {
        return callFor([&] { return m_view->setDisabled(id, disabled); });
    }
    std::optional<std::string> className(const std::string& id) override {
        return callFor([&] { return m_view->className(id); });
    }
    bool setClassName(const std::string& id, const std::string& text) override {
        return callFor([&] { return m_view->setClassName(id, text); });
    }
    std::optional<std::string> innerHtml(const std::string& id) override {
        return callFor([&] { return m_view->innerHtml(id); });
    }
    bool setInnerHtml(const std::string& id, const std::string& html) override {
        return callFor([&] { return m_view->setInnerHtml(id, html); });
    }
    bool callFunction(const std::string& name, const std::vector<std::string>& args) override {
        return callFor([&] { return m_view->callFunction(name, args); });
    }
    void defineFunction(const std::string& name, PageFunction standIn) override {
        call([&] { m_view->defineFunction(name, std::move(standIn)); });
    }
    bool perform(const PageAction& action, std::string* why) override {
        return callFor([&] { return m_view->perform(action, why); });
    }
    // The panes are the GTK view's: it also writes the lock panes itself.
    void setStatusText(std::size_t pane, const std::string& text) override {
        call([&] { m_view->setStatusText(pane, text); });
    }
    std::string statusText(std::size_t pane) const override {
        return callFor([&] { return m_view->statusText(pane); });
    }
    void setCommandEnabled(int command, bool enabled) override {
        HtmlView::setCommandEnabled(command, enabled);
        call([&] { m_view->setCommandEnabled(command, enabled); });
    }

private:
    std::unique_ptr<HtmlView> m_view;
};

}  // namespace

std::unique_ptr<HtmlView> makeViewOnGtkThread(HtmlViewOptions options) {
    return std::make_unique<GtkThreadView>(std::move(options));
}

}  // namespace platform::ui::gtk
