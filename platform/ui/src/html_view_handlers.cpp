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

}  // namespace

std::optional<std::string> locationAssigned(std::string_view handler) {
    auto s = trimmed(handler);
    skip(s, "javascript:");
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
    auto after = trimmed(s.substr(close + 1));
    while (skip(after, ";")) {
    }
    if (!after.empty() || address.find('\\') != std::string_view::npos) return std::nullopt;
    return std::string(address);
}

}  // namespace platform::ui::html
