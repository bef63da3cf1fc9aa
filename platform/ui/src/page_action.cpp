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

// A text whose blanks and per cent signs are written %20 and %25.
std::string unescaped(const std::string& text, std::string_view action) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            plain += text[i];
            continue;
        }
        const std::string code = text.substr(i + 1, 2);
        if (code != "20" && code != "25") throw std::invalid_argument("not a page action: \"" + std::string(action) + "\"");
        plain += code == "20" ? ' ' : '%';
        i += 2;
    }
    return plain;
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
        {"shows:", PageAction::Kind::Shows, true},
    };
    for (const auto& word : kWords) {
        if (!text.starts_with(word.word)) continue;
        auto [target, value] = targetAndValue(text.substr(word.word.size()), word.withValue, text);
        if (word.kind == PageAction::Kind::Shows) value = unescaped(value, text);
        return PageAction{word.kind, std::move(target), std::move(value)};
    }
    throw std::invalid_argument("not a page action: \"" + std::string(text) + "\"");
}

}  // namespace platform::ui
