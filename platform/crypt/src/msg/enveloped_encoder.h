// An EnvelopedData ContentInfo being made (PKCS #7 section 10, RFC 5652
// section 6) as CryptoAPI makes it: version 0, one key-transport recipient
// per certificate (version 0, issuerAndSerialNumber, the key's algorithm),
// data content encrypted with a fresh key and IV. RC2 parameters are
// RC2CBCParameter (RFC 2268 section 6), triple-DES's the IV.
#pragma once

#include <vector>

#include "msg/content_encoder.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

class EnvelopedEncoder final : public ContentEncoder {
public:
    explicit EnvelopedEncoder(const CMSG_ENVELOPED_ENCODE_INFO& info);

    void update(View data) override { m_content.insert(m_content.end(), data.begin(), data.end()); }
    Bytes finish() override;

private:
    struct Recipient {
        Bytes issuerAndSerial;
        Bytes keyAlgorithm;
        Bytes publicKeyInfo;
    };

    Bytes encryptedContentInfo(const Bytes& key) const;

    DWORD m_rc2Bits = 0;  // 0: triple-DES
    std::vector<Recipient> m_recipients;
    Bytes m_content;
};

}  // namespace platform::crypt::msg
