// What both backends of the HTML view share: the page actions of the
// script answers and the choice of the backend.
#include "platform/html_view.h"

#include <stdexcept>
#include <utility>

#include "gtk_windows.h"
#include "html_view_backends.h"
#include "platform/win_error.h"
#include "platform/ui.h"
#include "script_answers.h"

namespace platform::ui {

namespace {

// "ID" or "ID:VALUE" after the action's word.
std::pair<std::string, std::string> targetAndValue(std::string_view rest, bool withValue,
                                                   std::string_view text) {
    const auto colon = rest.find(':');
    const auto target = rest.substr(0, withValue ? colon : std::string_view::npos);
    if (target.empty() || (withValue && colon == std::string_view::npos))
        throw std::invalid_argument("not a page action: \"" + std::string(text) + "\"");
    return {std::string(target), withValue ? std::string(rest.substr(colon + 1)) : std::string()};
}

}  // namespace

PageAction parsePageAction(std::string_view text) {
    struct Word {
        std::string_view word;
        PageAction::Kind kind;
        bool withValue;
    };
    static constexpr Word kWords[] = {
        {"click:", PageAction::Kind::Click, false},   {"set:", PageAction::Kind::Set, true},
        {"check:", PageAction::Kind::Check, false},   {"uncheck:", PageAction::Kind::Uncheck, false},
        {"select:", PageAction::Kind::Select, true},  {"expect:", PageAction::Kind::Expect, false},
    };
    for (const auto& word : kWords) {
        if (!text.starts_with(word.word)) continue;
        auto [target, value] = targetAndValue(text.substr(word.word.size()), word.withValue, text);
        return PageAction{word.kind, std::move(target), std::move(value)};
    }
    throw std::invalid_argument("not a page action: \"" + std::string(text) + "\"");
}

std::string HtmlView::pageName() const {
    const auto url = location();
    const auto end = url.find_first_of("?#");
    const auto path = url.substr(0, end);
    return path.substr(path.rfind('/') + 1);
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
    try {
        return gtk::makeHtmlView(std::move(options));
    } catch (const gtk::Failure& e) {
        throw WinError(e.kind() == gtk::Failure::Kind::NoDisplay ? ERROR_NOT_READY : ERROR_NOT_SUPPORTED, e.what());
    }
}

}  // namespace platform::ui
