// Shared by the library's tests: one hierarchy and one TSA for the process,
// requests and replies, the two-call rule and the openssl peer.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"
#include "testkit/tsa.h"
#include "tti/tti.h"

namespace tti_test {

using testkit::Bytes;

const testkit::pki::Hierarchy& hierarchy();
const testkit::TsaSigner& signer();

// A request over the SHA-256 of data with an 8-byte nonce, asking for the certificate.
TtiRequest request(std::string_view data = "signature value");
Bytes encode(const TtiRequest& request);
Bytes replyTo(const TtiRequest& request);
Bytes tokenOf(const Bytes& reply);
TtiTokenInfo infoOf(const Bytes& token);

// What `openssl <args> -in FILE` prints, FILE holding input.
std::string opensslText(std::vector<std::string> args, const Bytes& input);

// The output of an export that follows the length-query rule:
// call(buffer, &length) -> status.
template <class Call>
Bytes twoCall(Call call) {
    std::uint32_t length = 0;
    if (const int status = call(nullptr, &length); status != TTI_OK)
        throw std::runtime_error("length query: " + std::to_string(status));
    Bytes out(length);
    if (const int status = call(out.data(), &length); status != TTI_OK)
        throw std::runtime_error("call: " + std::to_string(status));
    out.resize(length);
    return out;
}

}  // namespace tti_test
