// The commands a page asks for by navigating to a "URL_" key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvex {

enum class PageCommand {
    RequestType,        // URL_REQ_<type>
    DataCheck,          // URL_DATACHECK
    Help,               // URL_HELP_<key>
    GetRenewCert,       // URL_GETRENEWCERT
    ShowRenewCert,      // URL_SHOWRENEWCERT_<index>
    App,                // URL_APP_<action>
    RequestSend,        // URL_REQUEST_SEND
    RequestSave,        // URL_REQUEST_SAVE
    SignAndSave,        // URL_SIGNRENEWCERT_SAVE
    SignAndSend,        // URL_SIGNRENEWCERT_SEND
    ShowFileDialog,     // URL_SHOWFILEDIALOG
    OnChangeRenewCert,  // URL_ONCHANGE_RENEWCERT_<index>
    GovernmentChange,   // URL_GOVSK_CHANGE
    SelectRequest,      // URL_SELREQ
    LoadRequest,        // URL_LOAD_REQUEST
    KeyUsageChange,     // URL_ONCHANGE_KEYUSAGE
};

struct CommandCall {
    PageCommand command;
    std::string argument;  // the rest of the URL after the key
};

// The command of a URL of the program's pages ("res://..."): the keys are
// looked for as substrings in a fixed order and the first found wins, so
// "URL_REQUEST_SEND" is not taken for "URL_REQ_". Nothing for any other URL.
std::optional<CommandCall> FindPageCommand(std::string_view url);

}  // namespace halvex
