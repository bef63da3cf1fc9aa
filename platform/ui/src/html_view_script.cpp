// The HTML view without a window: pages parsed by libxml2, the user's
// actions taken from the script answers.
#include <map>
#include <utility>
#include <vector>

#include "html_view_backends.h"
#include "html_view_dom.h"
#include "html_view_handlers.h"
#include "html_view_resources.h"

namespace platform::ui::script {

namespace {

class ScriptHtmlView final : public HtmlView {
public:
    explicit ScriptHtmlView(HtmlViewOptions options) : m_events(std::move(options.events)) {
        keepLockPanes(options);
        setKeyLocks(false, false);
    }

    void navigate(const std::string& url) override {
        if (m_events.beforeNavigate && m_events.beforeNavigate(url)) return;
        if (!load(url)) return;
        if (!m_location.empty()) m_back.push_back(m_location);
        m_forward.clear();
        show(url);
    }

    bool goBack() override {
        if (m_back.empty()) return false;
        const std::string url = m_back.back();
        if (m_events.beforeNavigate && m_events.beforeNavigate(url)) return true;
        if (!load(url)) return false;
        m_back.pop_back();
        m_forward.push_back(m_location);
        show(url);
        return true;
    }

    bool waitUntilSettled(int) override { return true; }
    std::string location() const override { return m_location; }

    std::optional<std::string> value(const std::string& id) override {
        xmlNode* e = element(id);
        return e ? html::fieldValue(e) : std::nullopt;
    }
    bool setValue(const std::string& id, const std::string& text) override {
        xmlNode* e = element(id);
        return e && html::setFieldValue(e, text);
    }
    std::optional<bool> checked(const std::string& id) override {
        xmlNode* e = element(id);
        if (!html::isCheckable(e)) return std::nullopt;
        return html::attribute(e, "checked").has_value();
    }
    bool setChecked(const std::string& id, bool checked) override {
        return html::setCheckedState(m_page.get(), element(id), checked);
    }
    std::optional<int> selectedIndex(const std::string& id) override {
        xmlNode* e = element(id);
        return e ? html::selectedOptionIndex(e) : std::nullopt;
    }
    bool setDisabled(const std::string& id, bool disabled) override {
        xmlNode* e = element(id);
        if (!e) return false;
        if (disabled)
            html::setAttribute(e, "disabled", "disabled");
        else
            html::removeAttribute(e, "disabled");
        return true;
    }
    std::optional<std::string> className(const std::string& id) override {
        xmlNode* e = element(id);
        if (!e) return std::nullopt;
        return html::attribute(e, "class").value_or("");
    }
    bool setClassName(const std::string& id, const std::string& text) override {
        xmlNode* e = element(id);
        if (e) html::setAttribute(e, "class", text);
        return e != nullptr;
    }
    std::optional<std::string> innerHtml(const std::string& id) override {
        xmlNode* e = element(id);
        return e ? std::optional<std::string>(html::innerHtmlOf(m_page.get(), e)) : std::nullopt;
    }
    bool setInnerHtml(const std::string& id, const std::string& text) override {
        xmlNode* e = element(id);
        return e && html::replaceInnerHtml(m_page.get(), e, text);
    }

    bool callFunction(const std::string& name, const std::vector<std::string>& args) override {
        const auto found = m_functions.find(name);
        if (!m_page || found == m_functions.end()) return false;
        found->second(*this, args);
        return true;
    }
    void defineFunction(const std::string& name, PageFunction standIn) override {
        m_functions[name] = std::move(standIn);
    }

    bool perform(const PageAction& action, std::string* why) override {
        std::string problem;
        if (!act(action, problem)) {
            if (why) *why = problem;
            return false;
        }
        return true;
    }

private:
    xmlNode* element(const std::string& id) const { return html::elementById(m_page.get(), id); }

    // Reads and parses the page of the URL into m_loaded.
    bool load(const std::string& url) {
        const auto address = html::parseResourceUrl(url);
        const auto bytes = address ? html::readResource(*address) : std::nullopt;
        if (!bytes) return false;
        m_loaded = html::parsePage(*bytes);
        return m_loaded != nullptr;
    }

    // Shows the page loaded last, then tells the program.
    void show(const std::string& url) {
        m_page = std::move(m_loaded);
        m_location = url;
        notifyCommands();
        if (m_events.documentComplete) m_events.documentComplete(url);
    }

    void notifyCommands() {
        const bool back = !m_back.empty();
        const bool forward = !m_forward.empty();
        if (!m_events.commandStateChange) return;
        if (back != m_canGoBack) m_events.commandStateChange(NavigationCommand::Back, back);
        if (forward != m_canGoForward) m_events.commandStateChange(NavigationCommand::Forward, forward);
        m_canGoBack = back;
        m_canGoForward = forward;
    }

    // Follows a handler or link as the browser would: a location
    // assignment or a plain link navigates; other script cannot run here.
    bool follow(const std::string& reference, std::string& problem) {
        if (reference.starts_with("javascript:")) {
            problem = "its link runs script (" + reference + ")";
            return false;
        }
        navigate(html::resolveReference(m_location, reference));
        return true;
    }

    // The click's handlers from the element up: the first onclick that
    // sets the location or link followed.
    bool click(xmlNode* e, std::string& problem) {
        for (xmlNode* node = e; node && node->type == XML_ELEMENT_NODE; node = node->parent) {
            if (const auto handler = html::attribute(node, "onclick"); handler && !handler->empty()) {
                const auto address = html::locationAssigned(*handler);
                if (!address) {
                    problem = "its onclick runs script (" + *handler + ")";
                    return false;
                }
                return follow(*address, problem);
            }
            if (html::hasTag(node, "a"))
                if (const auto href = html::attribute(node, "href")) return follow(*href, problem);
        }
        return true;
    }

    // The onchange's statements in order: a page function given the
    // element runs its stand-in (skipped when the program defined none, as
    // the page's own script keeps only the page's state); a location, with
    // the element's value appended when the handler says so, is followed.
    bool changed(xmlNode* e, const std::string& id, std::string& problem) {
        const auto handler = html::attribute(e, "onchange");
        if (!handler || handler->empty()) return true;
        const auto steps = html::handlerSteps(*handler);
        if (!steps) {
            problem = "its onchange runs script (" + *handler + ")";
            return false;
        }
        for (const auto& step : *steps) {
            if (step.kind == html::HandlerStep::Kind::CallWithElement) {
                callFunction(step.text, {id});
                continue;
            }
            const std::string address = step.text + (step.appendsValue ? html::fieldValue(e).value_or("") : "");
            return follow(address, problem);
        }
        return true;
    }

    bool act(const PageAction& action, std::string& problem) {
        using Kind = PageAction::Kind;
        if (action.kind == Kind::Expect) {
            if (pageName() == action.target) return true;
            problem = "the page shown is \"" + pageName() + "\"";
            return false;
        }
        xmlNode* e = element(action.target);
        if (!e) {
            problem = "no element has the id";
            return false;
        }
        if (action.kind == Kind::Shows) {
            const std::string shown = html::textOf(e);
            if (shown == action.value) return true;
            problem = "the element shows \"" + shown + "\"";
            return false;
        }
        if (html::attribute(e, "disabled")) {
            problem = "the element is disabled";
            return false;
        }
        switch (action.kind) {
        case Kind::Click:
            if (html::isCheckable(e)) toggle(e);
            return click(e, problem);
        case Kind::Check:
        case Kind::Uncheck: {
            const bool wanted = action.kind == Kind::Check;
            if (!html::isCheckable(e) || (!wanted && html::isRadio(e))) {
                problem = wanted ? "the element is no check box" : "the element is no check box to uncheck";
                return false;
            }
            if (html::attribute(e, "checked").has_value() == wanted) return true;
            toggle(e);
            return click(e, problem);
        }
        case Kind::Set:
        case Kind::Select:
            if ((action.kind == Kind::Select) != html::hasTag(e, "select") ||
                !html::setFieldValue(e, action.value)) {
                problem = "the element takes no such value";
                return false;
            }
            return changed(e, action.target, problem);
        case Kind::Expect:
        case Kind::Shows: break;
        }
        return true;
    }

    // A click on a check box toggles it; on a radio button checks it.
    void toggle(xmlNode* e) {
        html::setCheckedState(m_page.get(), e, html::isRadio(e) || !html::attribute(e, "checked").has_value());
    }

    HtmlViewEvents m_events;
    html::Document m_page;
    html::Document m_loaded;
    std::string m_location;
    std::vector<std::string> m_back;
    std::vector<std::string> m_forward;
    bool m_canGoBack = false;
    bool m_canGoForward = false;
    std::map<std::string, PageFunction> m_functions;
};

}  // namespace

std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options) {
    return std::make_unique<ScriptHtmlView>(std::move(options));
}

}  // namespace platform::ui::script
