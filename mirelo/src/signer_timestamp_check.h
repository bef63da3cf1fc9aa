// Whether a time-stamp token answers the request it was asked with.
#pragma once

#include <string>
#include <vector>

#include "common/timestamp_query.h"
#include "win32/types.h"

struct TokenCheck {
    LONG number = 0;   // 0, or the message number of the first check that failed
    std::string text;  // the argument of that message
};

// In this order: the token information decodes (700 - status), its message
// imprint is the request's (900), its nonce too (901), its policy is the
// one the request named, if any (902), its generation time lies within five
// minutes of the system clock (903), and its signature verifies with the
// TSA certificate it carries (700 - status, 708 for a bad signature).
TokenCheck CheckTimeStampToken(const std::vector<BYTE>& token, const TTimeStampQuery& query);
