// The replies of the script backend's certificate view and certificate
// manager, which name an action rather than a button:
//   ViewCertificate IDOK | Name=TEXT | STORE
//     closes the view; sets the friendly name to TEXT (up to the end of the
//     word; "Name=" clears it) and closes; installs into the store of that
//     name ("Root") and closes;
//   CertificateManager IDOK | IDCANCEL | View:STORE:ROW | Remove:STORE:ROW
//     closes the manager; views or removes the row (from 0, as the tab of
//     that store lists it now), and the manager asks again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui::script {

// Check a reply's shape when it is queued or read: std::invalid_argument
// for another. The value is the number the answer keeps (IDOK).
int parseViewReply(std::string_view reply);
int parseManagerReply(std::string_view reply);

// "Name=TEXT": TEXT; nothing for another reply.
std::optional<std::string> friendlyNameOf(std::string_view viewReply);

struct ManagerAction {
    enum class Kind { View, Remove };
    Kind kind;
    std::string store;
    std::size_t row;
};
// The action of a manager reply; nothing for IDOK and IDCANCEL.
std::optional<ManagerAction> managerActionOf(std::string_view reply);

}  // namespace platform::ui::script
