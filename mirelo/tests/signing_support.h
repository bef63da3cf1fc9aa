// What the signing tests share: the testkit hierarchy in the user's stores,
// a signer whose key lies in a provider container, a TSigner the test can
// hand a policy or remembered certificates to, and the `openssl` peer that
// judges the messages the signer makes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/cryptoapi.h"
#include "common/pem.h"
#include "sign_job.h"
#include "signer.h"
#include "testkit/openssl_peer.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/user_stores.h"
#include "win32/crypt_store.h"

namespace signing_support {

using Bytes = std::vector<BYTE>;
namespace pki = testkit::pki;

inline const pki::Hierarchy& hierarchy() {
    static const pki::Hierarchy made = pki::Hierarchy::make();
    return made;
}

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

using testkit::addToUserStore;

inline CertInfo infoOf(const pki::Certificate& certificate) {
    CertInfo info;
    TCryptoapi::CertInfoFromDer(certificate.der(), info);
    return info;
}

// The user trusts the hierarchy's root and knows its CAs.
inline void trustHierarchy() {
    addToUserStore(u"Root", hierarchy().root.certificate);
    addToUserStore(u"CA", hierarchy().standardCa.certificate);
    addToUserStore(u"CA", hierarchy().qualifiedCa.certificate);
}

// A signer a test hands a policy (as loading one leaves it) or remembered
// certificates (as earlier choices leave them).
class TestSigner : public TSigner {
public:
    void setPolicy(const Bytes& der) { m_signPolicy = der; }
    void remember(LONG kind, const CertInfo& certificate) { m_certs.AddCertificate(kind, certificate, false); }
};

// A job that needs no confirmation dialog.
inline SignJob unattendedJob(DWORD operation, DWORD options, DWORD inclusion = 1) {
    SignJob job;
    job.operation = operation;
    job.signOptions = options | kOptionNoConfirmation;
    job.certInclusion = inclusion;
    return job;
}

// `openssl` in a folder of its own holding root.pem, the hierarchy's root,
// and trusted.pem, the root and the standard CA.
class Peer : public testkit::OpensslPeer {
public:
    explicit Peer(std::filesystem::path folder) : OpensslPeer(std::move(folder)) {
        testkit::writeFile(this->folder() / "root.pem", hierarchy().root.certificate.pem());
        testkit::writeFile(this->folder() / "trusted.pem",
                           hierarchy().root.certificate.pem() + hierarchy().standardCa.certificate.pem());
    }

    // Empty when `openssl cms -verify` accepts the DER message against the
    // root and the standard CA (which the message need not carry) and gives
    // back the content; else why not.
    std::string verifyFails(const Bytes& message, const Bytes& content, bool detached) const {
        return cmsVerifyFails(message, content, detached, {"-CAfile", "trusted.pem"});
    }

    // `openssl cms -cmsout -print` of a DER message.
    std::string print(const Bytes& message, const std::string& form = "DER") const {
        write("printed.msg", message);
        const testkit::RunResult r = openssl({"cms", "-cmsout", "-print", "-inform", form, "-in", "printed.msg"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        return r.out;
    }

    // The subjects of the certificates a DER message carries, in order.
    std::vector<std::string> carried(const Bytes& message) const {
        write("carrier.der", message);
        const testkit::RunResult r = openssl({"pkcs7", "-inform", "DER", "-in", "carrier.der", "-print_certs", "-noout"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        std::vector<std::string> subjects;
        for (std::size_t at = r.out.find("subject="); at != std::string::npos; at = r.out.find("subject=", at + 1)) {
            const auto cn = r.out.find("CN = ", at);
            subjects.push_back(r.out.substr(cn + 5, r.out.find('\n', cn) - cn - 5));
        }
        return subjects;
    }
};

// The bytes of Base64 text output; empty when it does not decode.
inline Bytes fromBase64Text(const Bytes& text) {
    Bytes out;
    Base64DecodeString(textOf(text), out);
    return out;
}

}  // namespace signing_support
