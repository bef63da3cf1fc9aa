// The one place where a libcurl outcome becomes a WinINet error number.
#pragma once

#include <curl/curl.h>

#include <string_view>

#include "win32/types.h"

namespace platform::inet {

// What is known about a failed transfer besides libcurl's code.
struct FailureClues {
    CURLcode code = CURLE_OK;
    std::string_view text;            // libcurl's error buffer
    DWORD certificateError = 0;       // from the peer verification, when it refused
    bool clientCertificateAsked = false;  // the server asked and none was sent
};

DWORD winInetCodeOf(const FailureClues& clues) noexcept;

}  // namespace platform::inet
