// Fixtures of the verification and chain tests: the testkit hierarchy in
// the user's stores of a fresh platform root, messages signed by
// `openssl cms` or by our signing, the log and the English texts of error
// numbers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "byte_strings.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/resource.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/memory.h"

namespace verify_support {

using byte_strings::Bytes;
using byte_strings::bytesOf;
namespace pki = testkit::pki;

inline void addToStore(const char16_t* name, const pki::Certificate& certificate) {
    const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
    EXPECT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.der().data(),
                                                 static_cast<DWORD>(certificate.der().size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(store, 0);
}

inline void addCrlToStore(const char16_t* name, const pki::Crl& crl) {
    const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
    EXPECT_TRUE(CertAddEncodedCRLToStore(store, X509_ASN_ENCODING, crl.der().data(),
                                         static_cast<DWORD>(crl.der().size()), CERT_STORE_ADD_ALWAYS, nullptr));
    CertCloseStore(store, 0);
}

// The hierarchy's root trusted in the user's "Root" store, its two CAs and
// their revocation lists in "CA"; the standard CA's list revokes revoked.
inline void installHierarchy(const pki::Hierarchy& pki, const pki::Certificate& revoked) {
    addToStore(u"Root", pki.root.certificate);
    addToStore(u"CA", pki.qualifiedCa.certificate);
    addToStore(u"CA", pki.standardCa.certificate);
    addCrlToStore(u"CA", pki::CrlBuilder(pki.root).build());
    addCrlToStore(u"CA", pki::CrlBuilder(pki.qualifiedCa).build());
    addCrlToStore(u"CA", pki::CrlBuilder(pki.standardCa).revoke(revoked.serial()).build());
}

inline std::string englishText(DWORD number) { return TResource::Instance()->Lookup(10000 + number, 2); }

// The first log line that holds text, or empty.
inline std::string loggedLineWith(const std::string& text) {
    std::vector<std::string> lines;
    TLogStrVect::Instance()->GetAll(lines);
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return line;
    return {};
}

struct SignOptions {
    bool detached = false;
    std::vector<pki::Certificate> certificates;  // carried beside the signer's own
    std::vector<std::string> extra;              // further options ("-noattr", "-cades", "-nocerts")
};

// Who signs a message: the openssl peer, or our SignBufferWithCert with the
// credential's key imported into a software container.
enum class Maker { Openssl, Ours };
inline void PrintTo(Maker maker, std::ostream* out) { *out << (maker == Maker::Openssl ? "Openssl" : "Ours"); }

// A fresh emulated machine whose "Root" store trusts the hierarchy's root
// and whose "CA" store holds its CAs; everything is logged.
class VerifyTest : public ::testing::Test {
protected:
    explicit VerifyTest(const pki::Hierarchy& pki) : m_pki(pki) {}
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        addToStore(u"Root", m_pki.root.certificate);
        addToStore(u"CA", m_pki.qualifiedCa.certificate);
        addToStore(u"CA", m_pki.standardCa.certificate);
        TLogStrVect::Instance()->SetMask(0xFF);
    }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }

    // Over content, SHA-256 with signed attributes unless "-noattr".
    Bytes sign(const pki::Credential& signer, const SignOptions& options = {}, Maker maker = Maker::Openssl) const {
        return maker == Maker::Openssl ? opensslSign(signer, options) : ourSign(signer, options);
    }
    // The message with one more signer (`openssl cms -resign`).
    Bytes addSigner(const Bytes& message, const pki::Credential& signer) const {
        signer.write(root.path(), "cosigner");
        const auto in = root.write("signed.der", std::string(message.begin(), message.end()));
        return openssl({"cms", "-resign", "-binary", "-md", "sha256", "-inform", "DER", "-in", in.string(), "-signer",
                        "cosigner.pem", "-inkey", "cosigner.key", "-outform", "DER", "-nodetach"});
    }

    testkit::PlatformRoot root;
    const Bytes content = bytesOf("payload to be signed");

private:
    Bytes opensslSign(const pki::Credential& signer, const SignOptions& options) const {
        signer.write(root.path(), "signer");
        root.write("content", std::string(content.begin(), content.end()));
        std::vector<std::string> argv{"cms",        "-sign",  "-binary",    "-md",      "sha256", "-in", "content",
                                      "-signer", "signer.pem", "-inkey", "signer.key", "-outform", "DER"};
        if (!options.detached) argv.push_back("-nodetach");
        std::string carried;
        for (const auto& certificate : options.certificates) carried += certificate.pem();
        if (!carried.empty()) argv.insert(argv.end(), {"-certfile", root.write("carried.pem", carried).string()});
        argv.insert(argv.end(), options.extra.begin(), options.extra.end());
        return openssl(argv);
    }

    // The same options as flags and certificate records.
    Bytes ourSign(const pki::Credential& signer, const SignOptions& options) const {
        const auto has = [&](const char* option) {
            return std::find(options.extra.begin(), options.extra.end(), option) != options.extra.end();
        };
        CertInfo record;
        EXPECT_TRUE(TCryptoapi::CertInfoFromDer(signer.certificate.der(), record));
        record.providerName = MS_ENH_RSA_AES_PROV_A;
        record.providerType = PROV_RSA_AES;
        record.containerName = record.serialHex;
        record.keySpec = AT_KEYEXCHANGE;  // what a PRIVATEKEYBLOB imports as
        importKey(signer.key, record.containerName);
        std::vector<CertInfo> certificates;
        if (!has("-nocerts")) certificates.push_back(record);
        for (const auto& certificate : options.certificates) {
            certificates.emplace_back();
            TCryptoapi::CertInfoFromDer(certificate.der(), certificates.back());
        }
        const DWORD flags = (options.detached ? kSignDetached : 0) | (has("-noattr") ? 0 : kSignSigningTime) |
                            (has("-cades") ? kSignSigningCertV2 : 0);
        Bytes out;
        EXPECT_EQ(0u, TCryptoapi::SignBufferWithCert(record, certificates, "2.16.840.1.101.3.4.2.1", flags, content,
                                                     out, nullptr));
        return out;
    }
    static void importKey(const pki::Key& key, const std::string& container) {
        HCRYPTPROV provider = 0;
        if (CryptAcquireContextA(&provider, container.c_str(), MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, 0)) {
            CryptReleaseContext(provider, 0);
            return;
        }
        ASSERT_TRUE(CryptAcquireContextA(&provider, container.c_str(), MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES,
                                         CRYPT_NEWKEYSET));
        const Bytes pkcs1 = key.pkcs1Der();
        BYTE* blob = nullptr;
        DWORD size = 0;
        HCRYPTKEY imported = 0;
        EXPECT_TRUE(CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, pkcs1.data(),
                                        static_cast<DWORD>(pkcs1.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &blob,
                                        &size));
        EXPECT_TRUE(CryptImportKey(provider, blob, size, 0, 0, &imported));
        LocalFree(blob);
        CryptDestroyKey(imported);
        CryptReleaseContext(provider, 0);
    }
    Bytes openssl(std::vector<std::string> argv) const {
        argv.insert(argv.begin(), "openssl");
        const testkit::RunResult result = testkit::run(argv, root.path());
        EXPECT_EQ(0, result.exitCode) << result.err;
        return bytesOf(result.out);
    }

    const pki::Hierarchy& m_pki;
};

}  // namespace verify_support
