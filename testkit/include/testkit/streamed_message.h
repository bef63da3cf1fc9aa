// Signed messages as streaming signers write them. `openssl cms -sign
// -stream` writes BER (indefinite lengths, the content as an OCTET STRING of
// segments) but always with the content inside; a streaming signer's
// detached message is the same without it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace testkit {

// The `openssl cms -sign -stream -nodetach` message without its content: the
// [0] after id-data, from its header to the end-of-contents octets of the
// OCTET STRING and of the [0]. Every length around it is indefinite, so
// nothing else changes. The content must not hold four zero bytes in a row.
inline std::vector<std::uint8_t> withoutStreamedContent(std::vector<std::uint8_t> message) {
    const std::vector<std::uint8_t> dataThenContent{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                    0x0D, 0x01, 0x07, 0x01, 0xA0, 0x80};
    const std::vector<std::uint8_t> endOfContents{0x00, 0x00, 0x00, 0x00};
    const auto data = std::search(message.begin(), message.end(), dataThenContent.begin(), dataThenContent.end());
    if (data == message.end()) throw std::runtime_error("no streamed content in the message");
    const auto content = data + 11;
    const auto end = std::search(content, message.end(), endOfContents.begin(), endOfContents.end());
    if (end == message.end()) throw std::runtime_error("the streamed content does not end");
    message.erase(content, end + 4);
    return message;
}

}  // namespace testkit
