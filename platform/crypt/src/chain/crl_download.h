// Fetching a CRL from an http:// distribution point through the layer's
// WinINet, as CryptoAPI's URL retrieval does. A hostile or broken server
// costs at most kTimeLimit and kMaxBytes: beyond them the fetch fails.
#pragma once

#include <chrono>
#include <string>

#include "store/bytes.h"

namespace platform::crypt::chain {

struct DownloadLimits {
    std::chrono::milliseconds timeLimit{15000};  // the whole fetch, as Windows' default URL time-out
    std::size_t maxBytes = 8u << 20;
};

// The body of a 200 reply. Throws WinError: the WinINet error of a failed
// request, CRYPT_E_REVOCATION_OFFLINE for another status, a body over the
// limit or a fetch that ran out of time, CRYPT_E_NOT_FOUND for a URL that is
// not http://.
store::Bytes downloadCrl(const std::string& url, const DownloadLimits& limits = {});

}  // namespace platform::crypt::chain
