// What both backends of the HTML view share: playing the page actions of
// the script answers and the choice of the backend.
#include "platform/html_view.h"

#include <algorithm>
#include <utility>

#include "html_view_backends.h"
#include "platform/ui.h"
#include "script_answers.h"

namespace platform::ui {

std::string HtmlView::pageName() const {
    const auto url = location();
    const auto end = url.find_first_of("?#");
    const auto path = url.substr(0, end);
    return path.substr(path.rfind('/') + 1);
}

void HtmlView::setStatusText(std::size_t pane, const std::string& text) {
    if (pane >= m_statusTexts.size()) m_statusTexts.resize(pane + 1);
    m_statusTexts[pane] = text;
}

std::string HtmlView::statusText(std::size_t pane) const {
    return pane < m_statusTexts.size() ? m_statusTexts[pane] : std::string();
}

void HtmlView::setCommandEnabled(int command, bool enabled) {
    std::erase(m_disabledCommands, command);
    if (!enabled) m_disabledCommands.push_back(command);
}

void HtmlView::keepLockPanes(const HtmlViewOptions& options) {
    m_firstLockPane = options.statusPanes.size();
    m_lockPanes = options.lockPanes;
}

void HtmlView::setKeyLocks(bool capsLock, bool numLock) {
    for (std::size_t i = 0; i < m_lockPanes.size(); ++i) {
        const bool on = m_lockPanes[i].lock == KeyLock::Caps ? capsLock : numLock;
        setStatusText(m_firstLockPane + i, on ? m_lockPanes[i].text : std::string());
    }
}

bool HtmlView::commandEnabled(int command) const {
    return std::find(m_disabledCommands.begin(), m_disabledCommands.end(), command) == m_disabledCommands.end();
}

std::size_t HtmlView::playScriptedActions() {
    std::size_t done = 0;
    while (script::nextIs(script::kPage)) {
        const std::string line = "Page: " + pageName();
        const auto reply = script::askReply(script::kPage, line, [](const std::string&) { return true; });
        if (!reply) break;
        std::string why;
        if (!perform(parsePageAction(*reply), &why)) {
            script::reportProblem("page action \"" + *reply + "\" on \"" + pageName() + "\": " + why);
            break;
        }
        ++done;
    }
    return done;
}

std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options) {
    if (std::string_view(backend().name()) != "gtk") return script::makeHtmlView(std::move(options));
    return gtk::makeViewOnGtkThread(std::move(options));
}

}  // namespace platform::ui
