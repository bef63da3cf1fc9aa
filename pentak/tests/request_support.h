// A request the session made, as openssl reads it (judged_request.h), from
// the session's Base64 text.
#pragma once

#include <string>

#include "judged_request.h"
#include "pentak_support.h"

namespace pentak_test {

inline JudgedRequest judgeRequest(const testkit::PlatformRoot& machine, const std::u16string& base64,
                                  const std::string& name = "request") {
    return judgeRequestDer(machine, bytesOfBase64(base64), name);
}

}  // namespace pentak_test
