// Signers and the openssl peer of the signing and encryption tests. A
// signer is a 2048-bit signature key made in a provider (the software one or
// a SoftHSM2 token) with a certificate for it from the testkit hierarchy's
// commercial CA, made by `openssl x509 -new -force_pubkey`; no context of
// its container stays open, so a token asks for its PIN at each signature.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "byte_strings.h"
#include "common/cryptoapi.h"
#include "testkit/csp.h"
#include "testkit/openssl_peer.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/softhsm.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace cms_sign_test {

using byte_strings::Bytes;
using byte_strings::bytesOf;
using byte_strings::kSha1;
using byte_strings::kSha256;
using byte_strings::textOf;
namespace pki = testkit::pki;
namespace fs = std::filesystem;

inline const pki::Hierarchy& hierarchy() {
    static const pki::Hierarchy made = pki::Hierarchy::make();
    return made;
}

// The peer's folder: root.pem, ca.pem and ca.key (the commercial CA), and
// whatever the test writes there.
class Peer : public testkit::OpensslPeer {
public:
    explicit Peer(fs::path folder) : OpensslPeer(std::move(folder)) {
        testkit::writeFile(this->folder() / "root.pem", hierarchy().root.certificate.pem());
        hierarchy().standardCa.write(this->folder(), "ca");
    }

    // What openssl writes; the test fails when openssl does.
    std::string output(const std::vector<std::string>& args) const {
        const testkit::RunResult r = openssl(args);
        EXPECT_EQ(0, r.exitCode) << args.front() << ": " << r.err;
        return r.out;
    }

    // Empty when `openssl cms -verify` accepts the message against the root,
    // with the signer looked for among the message's certificates and those
    // of the file, and gives back the content; else its complaint.
    std::string verifyFails(const Bytes& message, const Bytes& content, bool detached,
                            const std::string& certificates = "ca.pem") const {
        return cmsVerifyFails(message, content, detached, {"-CAfile", "root.pem", "-certfile", certificates});
    }
};

class Signer {
public:
    // Its top bit is set, so the DER INTEGER has a leading 00.
    static constexpr char kSignerSerial[] = "0x8A1B2C3D4E5F6071";

    // The certificate is also written to the peer as signer.pem.
    Signer(testkit::CspKind kind, const testkit::PlatformRoot& root, const Peer& peer) {
        if (kind == testkit::CspKind::SoftHsmToken) {
            m_token.emplace(root);
            m_provider = m_token->options().provider;
            m_type = PROV_RSA_FULL;
        }
        peer.write("signer-key.der", MakeKey());
        testkit::writeFile(peer.folder() / "signer.cnf", "[v3]\nkeyUsage=critical,digitalSignature,nonRepudiation\n");
        peer.output({"pkey", "-pubin", "-inform", "DER", "-in", "signer-key.der", "-out", "signer-key.pem"});
        peer.output({"x509",          "-new",
                     "-subj",         "/C=CZ/O=Tesk/CN=Tesk Signer",
                     "-force_pubkey", "signer-key.pem",
                     "-CA",           "ca.pem",
                     "-CAkey",        "ca.key",
                     "-set_serial",   kSignerSerial,
                     "-days",         "30",
                     "-extfile",      "signer.cnf",
                     "-extensions",   "v3",
                     "-out",          "signer.pem"});
        EXPECT_TRUE(TCryptoapi::CertInfoFromDer(bytesOf(peer.output({"x509", "-in", "signer.pem", "-outform", "DER"})),
                                                m_record));
        m_record.providerName = std::string(m_provider.begin(), m_provider.end());
        m_record.providerType = m_type;
        m_record.containerName = "signer";
        m_record.keySpec = AT_SIGNATURE;
    }

    // With the key-provider fields of the key.
    const CertInfo& record() const noexcept { return m_record; }
    const testkit::SoftHsmToken* token() const noexcept { return m_token ? &*m_token : nullptr; }

private:
    // Made in a context released at once; the public key's DER.
    Bytes MakeKey() {
        HCRYPTPROV provider = 0;
        EXPECT_TRUE(CryptAcquireContextW(&provider, u"signer", m_provider.c_str(), m_type, CRYPT_NEWKEYSET))
            << std::hex << GetLastError();
        if (m_token) {
            const std::string& pin = m_token->options().pin;
            EXPECT_TRUE(CryptSetProvParam(provider, PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin.c_str()), 0));
        }
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGenKey(provider, AT_SIGNATURE, 2048u << 16, &key)) << std::hex << GetLastError();
        CryptDestroyKey(key);
        DWORD size = 0;
        CryptExportPublicKeyInfo(provider, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size);
        std::vector<std::max_align_t> block(size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(block.data());
        EXPECT_TRUE(CryptExportPublicKeyInfo(provider, AT_SIGNATURE, X509_ASN_ENCODING, info, &size));
        CryptReleaseContext(provider, 0);
        DWORD encodedSize = 0;
        CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, nullptr, &encodedSize);
        Bytes encoded(encodedSize);
        EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, encoded.data(), &encodedSize));
        encoded.resize(encodedSize);
        return encoded;
    }

    std::optional<testkit::SoftHsmToken> m_token;
    std::u16string m_provider = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
    DWORD m_type = PROV_RSA_AES;
    CertInfo m_record;
};

// The record of a hierarchy certificate, without a key.
inline CertInfo recordOf(const pki::Certificate& certificate) {
    CertInfo record;
    TCryptoapi::CertInfoFromDer(certificate.der(), record);
    return record;
}

}  // namespace cms_sign_test
