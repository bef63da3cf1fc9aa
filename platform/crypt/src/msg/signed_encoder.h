// A SignedData ContentInfo being made (RFC 5652 section 5.1) as CryptoAPI
// makes it: version 1, the signers' digest algorithms, data content (left
// out when detached), exactly the certificates and CRLs given, in their
// order, then the signers in their order.
#pragma once

#include <memory>
#include <vector>

#include "msg/content_encoder.h"
#include "msg/signer_encoder.h"

namespace platform::crypt::msg {

class SignedEncoder final : public ContentEncoder {
public:
    SignedEncoder(const CMSG_SIGNED_ENCODE_INFO& info, bool detached);

    void update(View data) override;
    // Signs with every signer's key.
    Bytes finish() override;
    // The size finish() gives, found without using a key.
    std::size_t measure();

private:
    // Everything before and after the content octets.
    struct Frame {
        Bytes before;
        Bytes after;
    };
    Frame frame(bool placeholderSignatures);

    std::vector<std::unique_ptr<SignerEncoder>> m_signers;
    std::vector<Bytes> m_certificates;
    std::vector<Bytes> m_crls;
    bool m_detached;
    Bytes m_content;
};

}  // namespace platform::crypt::msg
