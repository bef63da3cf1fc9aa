#include "html_view_handlers.h"

#include <array>
#include <cctype>

namespace platform::ui::html {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool skip(std::string_view& s, std::string_view word) {
    if (!s.starts_with(word)) return false;
    s = trimmed(s.substr(word.size()));
    return true;
}

// "[owner.]location[.href] = 'ADDRESS'": the address, and s left at what
// follows its closing quote.
std::optional<std::string> assignedAddress(std::string_view& s) {
    static constexpr std::array<std::string_view, 5> kOwners{"self.", "window.", "document.", "top.", "parent."};
    for (const auto owner : kOwners)
        if (skip(s, owner)) break;
    if (!skip(s, "location")) return std::nullopt;
    skip(s, ".href");
    if (!skip(s, "=") || s.empty()) return std::nullopt;
    const char quote = s.front();
    if (quote != '\'' && quote != '"') return std::nullopt;
    const auto close = s.find(quote, 1);
    if (close == std::string_view::npos) return std::nullopt;
    const auto address = s.substr(1, close - 1);
    if (address.find('\\') != std::string_view::npos) return std::nullopt;
    s = trimmed(s.substr(close + 1));
    return std::string(address);
}

bool isName(std::string_view s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s.front()))) return false;
    for (const char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$') return false;
    return true;
}

std::optional<HandlerStep> statementStep(std::string_view s) {
    if (const auto open = s.find('('); open != std::string_view::npos) {
        auto name = trimmed(s.substr(0, open));
        auto rest = trimmed(s.substr(open + 1));
        if (isName(name) && skip(rest, "this") && skip(rest, ")") && rest.empty())
            return HandlerStep{HandlerStep::Kind::CallWithElement, std::string(name), false};
    }
    auto rest = s;
    auto address = assignedAddress(rest);
    if (!address) return std::nullopt;
    const bool appends = skip(rest, "+");
    if (appends && !skip(rest, "this.value") && !skip(rest, "this.options[this.selectedIndex].value"))
        return std::nullopt;
    if (!rest.empty()) return std::nullopt;
    return HandlerStep{HandlerStep::Kind::Navigate, std::move(*address), appends};
}

// The handler cut at each ";" outside quotes.
std::vector<std::string_view> statements(std::string_view handler) {
    std::vector<std::string_view> found;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < handler.size(); ++i) {
        const char c = handler[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            found.push_back(trimmed(handler.substr(start, i - start)));
            start = i + 1;
        }
    }
    found.push_back(trimmed(handler.substr(start)));
    return found;
}

}  // namespace

std::optional<std::string> locationAssigned(std::string_view handler) {
    auto s = trimmed(handler);
    skip(s, "javascript:");
    auto address = assignedAddress(s);
    while (skip(s, ";")) {
    }
    if (!address || !s.empty()) return std::nullopt;
    return address;
}

std::optional<std::vector<HandlerStep>> handlerSteps(std::string_view handler) {
    auto s = trimmed(handler);
    skip(s, "javascript:");
    std::vector<HandlerStep> steps;
    for (const auto statement : statements(s)) {
        if (statement.empty()) continue;
        // Nothing after a navigation: the page it acted on is gone.
        if (!steps.empty() && steps.back().kind == HandlerStep::Kind::Navigate) return std::nullopt;
        auto step = statementStep(statement);
        if (!step) return std::nullopt;
        steps.push_back(std::move(*step));
    }
    if (steps.empty()) return std::nullopt;
    return steps;
}

}  // namespace platform::ui::html
