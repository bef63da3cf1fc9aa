// The questions of InternetErrorDlg that ask for more than yes or no, one
// file each. Each returns what InternetErrorDlg returns; what the user
// gives is stored on the request only when `store` is set
// (FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS). `server` is the request's host
// as the UI shows it (UTF-8).
#pragma once

#include <string>

#include "handles.h"

namespace platform::inet {

// A user name and password for the server, or for the proxy after a 407.
DWORD askForLogin(Handle& requestHandle, const std::string& server, bool store);
// A certificate with a key from the user's "MY" store.
DWORD askForClientCertificate(Request& request, const std::string& server, bool store);

}  // namespace platform::inet
