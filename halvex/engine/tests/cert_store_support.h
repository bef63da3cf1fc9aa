// The emulated user's certificate stores for the certificate-access tests:
// certificates of the testkit PKI put into them (with a key or without),
// the profile's environment, the script UI and `openssl x509` as the peer.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/owned_context.h"
#include "common/reg.h"
#include "halvex/cert_access.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/pki.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace cert_support {

namespace pki = testkit::pki;
namespace script = platform::ui::script;

inline OwnedCertStore userStore(const char16_t* name) {
    return OwnedCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name));
}

inline void addToStore(const char16_t* store, const pki::Certificate& certificate) {
    const auto& der = certificate.der();
    ASSERT_TRUE(CertAddEncodedCertificateToStore(userStore(store).get(), X509_ASN_ENCODING, der.data(),
                                                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
}

// The context with its key binding, added to the store; the context is freed.
inline void addToStore(const char16_t* store, PCCERT_CONTEXT withKey) {
    const OwnedCertContext owned(withKey);
    ASSERT_TRUE(CertAddCertificateContextToStore(userStore(store).get(), withKey, CERT_STORE_ADD_ALWAYS, nullptr));
}

// The root trusted and the two CAs where chains find them.
inline void installIssuers(const pki::Hierarchy& pki) {
    addToStore(u"Root", pki.root.certificate);
    addToStore(u"CA", pki.qualifiedCa.certificate);
    addToStore(u"CA", pki.standardCa.certificate);
}

inline void setEnvironment(DWORD environment) {
    CReg profile;
    ASSERT_TRUE(profile.Create(HKEY_CURRENT_USER, "Software\\Tesk\\Tesk Halvex\\Workspace"));
    ASSERT_TRUE(profile.SetDword("AppEnvironment", environment));
}

// A user certificate of the issuer with the shared test key.
inline pki::CertificateBuilder userOf(const pki::Credential& issuer, const std::string& commonName) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"C", "CZ"}, {"O", "Tesk Test"}, {"CN", commonName}})
        .issuedBy(issuer)
        .key(pki::Key::rsa(2048, "halvex user"));
}

// `openssl x509` of the certificate with the options.
inline std::string openssl(const testkit::PlatformRoot& root, const pki::Certificate& certificate,
                           const std::vector<std::string>& options) {
    const auto file = root.write("peer.der", std::string(certificate.der().begin(), certificate.der().end()));
    std::vector<std::string> argv = {"openssl", "x509", "-inform", "DER", "-noout", "-in", file.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    return testkit::run(argv).out;
}

inline std::string utf8(const std::u16string& text) { return platform::text::toUtf8(text); }

// The script backend with no answers; a question nobody expects fails the
// test.
struct ScriptUi {
    ScriptUi() {
        setenv("PLATFORM_UI", "script", 1);
        reset();
    }
    ~ScriptUi() {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    static void reset() {
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
    }
};

// The user's certificate with its key in a container of the kind: listed
// with its key's provider and container, and found again in "MY" with that
// container's name read through the key.
inline void checkRecordFindsItsKey(testkit::CspKind kind) {
    testkit::PlatformRoot root;
    ScriptUi ui;
    const pki::Hierarchy pki = pki::Hierarchy::make();
    testkit::TestCsp csp(kind, root, u"obnova-kontejner");
    addToStore(u"MY", csp.certificateWithKey(userOf(pki.qualifiedCa, "Tesk Key Holder"), "Tesk Key Holder"));

    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> records;
    ASSERT_EQ(1u, access.EnumStoreCertificates(records, false, u"MY", u"", true));
    const halvex::CertInfo& record = records[0];
    EXPECT_EQ(csp.provider(), record.providerName);
    EXPECT_EQ(u"obnova-kontejner", record.containerName);
    EXPECT_EQ(static_cast<DWORD>(AT_KEYEXCHANGE), record.keySpec);

    const halvex::CertInfo& listed = record;
    halvex::CertInfo fromPem = record;
    fromPem.der.clear();  // found by its PEM text alone
    for (const halvex::CertInfo* wanted : {&listed, static_cast<const halvex::CertInfo*>(&fromPem)}) {
        std::u16string container;
        const OwnedCertContext found(halvex::TCryptoapi::FindCertificateInStore(*wanted, u"MY", &container));
        ASSERT_TRUE(found);
        EXPECT_EQ(u"obnova-kontejner", container);
        EXPECT_TRUE(std::equal(record.der.begin(), record.der.end(), found->pbCertEncoded,
                               found->pbCertEncoded + found->cbCertEncoded));
    }
    std::u16string container = u"unchanged";
    EXPECT_FALSE(halvex::TCryptoapi::FindCertificateInStore(record, u"AddressBook", &container));
    EXPECT_EQ(u"unchanged", container);
    EXPECT_FALSE(halvex::TCryptoapi::FindCertificateInStore(halvex::CertInfo{}, u"MY"));
}

}  // namespace cert_support
