#include "script_dialog_replies.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

#include "win32/ui.h"

namespace platform::ui::script {

namespace {

constexpr std::string_view kName = "Name=";

bool isWord(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

std::optional<std::size_t> numberOf(std::string_view s) {
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

}  // namespace

int parseViewReply(std::string_view reply) {
    if (reply == "IDOK" || reply.starts_with(kName) || isWord(reply)) return IDOK;
    throw std::invalid_argument("not IDOK, Name=TEXT or a store: \"" + std::string(reply) + "\"");
}

int parseManagerReply(std::string_view reply) {
    if (reply == "IDOK" || reply == "IDCANCEL") return IDOK;
    if (managerActionOf(reply)) return IDOK;
    throw std::invalid_argument("not IDOK, IDCANCEL, View:STORE:ROW or Remove:STORE:ROW: \"" + std::string(reply) + "\"");
}

std::optional<std::string> friendlyNameOf(std::string_view viewReply) {
    if (!viewReply.starts_with(kName)) return std::nullopt;
    return std::string(viewReply.substr(kName.size()));
}

std::optional<ManagerAction> managerActionOf(std::string_view reply) {
    const auto first = reply.find(':');
    const auto second = first == std::string_view::npos ? first : reply.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto verb = reply.substr(0, first);
    const auto store = reply.substr(first + 1, second - first - 1);
    const auto row = numberOf(reply.substr(second + 1));
    if (!row || !isWord(store)) return std::nullopt;
    if (verb == "View") return ManagerAction{ManagerAction::Kind::View, std::string(store), *row};
    if (verb == "Remove") return ManagerAction{ManagerAction::Kind::Remove, std::string(store), *row};
    return std::nullopt;
}

}  // namespace platform::ui::script
