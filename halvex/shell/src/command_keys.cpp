#include "command_keys.h"

#include <array>
#include <utility>

namespace halvex {
namespace {

// The order decides between keys that are found in the same URL.
constexpr std::array<std::pair<std::string_view, PageCommand>, 16> kKeys = {{
    {"URL_REQ_", PageCommand::RequestType},
    {"URL_DATACHECK", PageCommand::DataCheck},
    {"URL_HELP_", PageCommand::Help},
    {"URL_GETRENEWCERT", PageCommand::GetRenewCert},
    {"URL_SHOWRENEWCERT_", PageCommand::ShowRenewCert},
    {"URL_APP_", PageCommand::App},
    {"URL_REQUEST_SEND", PageCommand::RequestSend},
    {"URL_REQUEST_SAVE", PageCommand::RequestSave},
    {"URL_SIGNRENEWCERT_SAVE", PageCommand::SignAndSave},
    {"URL_SIGNRENEWCERT_SEND", PageCommand::SignAndSend},
    {"URL_SHOWFILEDIALOG", PageCommand::ShowFileDialog},
    {"URL_ONCHANGE_RENEWCERT_", PageCommand::OnChangeRenewCert},
    {"URL_GOVSK_CHANGE", PageCommand::GovernmentChange},
    {"URL_SELREQ", PageCommand::SelectRequest},
    {"URL_LOAD_REQUEST", PageCommand::LoadRequest},
    {"URL_ONCHANGE_KEYUSAGE", PageCommand::KeyUsageChange},
}};

}  // namespace

std::optional<CommandCall> FindPageCommand(std::string_view url) {
    if (url.find("res://") == std::string_view::npos) return std::nullopt;
    for (const auto& [key, command] : kKeys) {
        const std::size_t at = url.find(key);
        if (at != std::string_view::npos) return CommandCall{command, std::string(url.substr(at + key.size()))};
    }
    return std::nullopt;
}

}  // namespace halvex
