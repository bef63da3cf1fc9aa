// What became of the renewal request after the summary: its signed parts,
// whether and how it was sent and saved, and a request loaded from a file.
// The appendix and the review page show it.
#pragma once

#include <string>

namespace halvex {

enum class SendState { Untouched, Sent, Failed };

struct RequestOutcome {
    std::string container;       // the main request's signed container, bytes as signed
    std::u16string secondPkcs7;  // "-----BEGIN PKCS7-----" blocks of the further requests
    std::u16string thirdPkcs7;
    SendState sendState = SendState::Untouched;
    std::u16string requestNumber;  // the server's number, or why sending failed
    bool saved = false;
    std::u16string savedFile;
    bool loadedFromFile = false;
    std::string loadedBody;  // a saved request's bytes, sent unchanged
};

}  // namespace halvex
