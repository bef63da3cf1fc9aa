// The page actions of the script answers ("Page click:ID" ...), read where
// the answers are read, so that a script is checked whole before it runs.
#include <stdexcept>
#include <utility>

#include "platform/html_view.h"

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

}  // namespace platform::ui
