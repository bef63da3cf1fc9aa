// The trusted list as the host program loads it and the signer applies it:
// the signed file and the container both load, the list signer's chain and
// revocation (CRLs from a local HTTP server) decide, the user is asked about
// a root no store trusts, and afterwards policies and certificates pass the
// container signer only with a record of the list valid now.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "certificate_support.h"
#include "common/pem.h"
#include "common/sign_policy_decoder.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "signer_kyd.h"
#include "testkit/http_server.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/trusted_list.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
namespace list = testkit::trusted_list;
namespace script = platform::ui::script;
using namespace std::chrono_literals;
using certificate_support::infoOf;
using testkit::Bytes;
using testkit::HttpReply;

HttpReply crlReply(const pki::Crl& crl) { return HttpReply{.body = std::string(crl.der().begin(), crl.der().end())}; }

void addToUserStore(const char* store, const pki::Certificate& certificate) {
    HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    ASSERT_NE(nullptr, opened);
    certificate_support::addCertificate(opened, certificate);
    CertCloseStore(opened, 0);
}

bool inUserStore(const char* store, const pki::Certificate& certificate) {
    HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    const auto& der = certificate.der();
    bool found = false;
    for (PCCERT_CONTEXT c = nullptr; opened && (c = CertEnumCertificatesInStore(opened, c));)
        found = found || Bytes(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded) == der;
    if (opened) CertCloseStore(opened, 0);
    return found;
}

// A backend that can show no box at all, as without a display.
class NoBoxes : public platform::ui::Backend {
public:
    const char* name() const noexcept override { return "none"; }
    int messageBox(const platform::ui::MessageBoxRequest&) override {
        throw platform::WinError(static_cast<DWORD>(ERROR_NOT_READY), "no display");
    }
    bool openWith(const platform::ui::OpenWithRequest&) override {
        throw platform::WinError(static_cast<DWORD>(ERROR_NOT_READY), "no display");
    }
};

class SignerTrustedList : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        TESTKIT_REQUIRE_PROGRAM("python3");
        server.route("/root.crl", crlReply(pki::CrlBuilder(hierarchy.root).build()));
        server.route("/standard-ca.crl", crlReply(pki::CrlBuilder(hierarchy.standardCa).build()));
        server.route("/qualified-ca.crl", crlReply(pki::CrlBuilder(hierarchy.qualifiedCa).build()));
        addToUserStore("Root", hierarchy.root.certificate);
        addToUserStore("CA", hierarchy.standardCa.certificate);
        addToUserStore("CA", hierarchy.qualifiedCa.certificate);
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
        signer.SetCfgLanguageNumber(2);
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    // A list signer under the issuer whose revocation is told by the CRL at
    // path of the server.
    pki::Credential listSigner(const pki::Credential& issuer, const std::string& name, const std::string& crlPath) {
        return pki::CertificateBuilder()
            .subject({{"CN", name}})
            .key(pki::Key::rsa(2048, "commercial"))
            .issuedBy(issuer)
            .keyUsage(pki::kDigitalSignature)
            .crlDistributionPoints({server.url(crlPath)})
            .build();
    }

    // The list text signed, as a DER file.
    std::string signedFile(const std::string& name, const std::string& text, const pki::Credential& by) {
        const Bytes der = list::signCms(text, by);
        return root.write(name, std::string(der.begin(), der.end())).string();
    }

    // A list naming one policy, for the tests of loading.
    std::string someText() {
        return list::listText({{.file = "/p/signaturePolicy_20100101000000Z.der",
                                .item = Bytes{1, 2, 3},
                                .notAfter = "20991231235959Z",
                                .items = {{"OID", "1.2.3"}}}});
    }

    bool load(const std::filesystem::path& file) { return signer.SetTrustedListFile(platform::paths::toAnsi(file)); }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    testkit::HttpServer server;
    pki::Hierarchy hierarchy = pki::Hierarchy::make({.crlBaseUrl = server.url("")});
    TSignerKyd signer;
};

TEST_F(SignerTrustedList, TheSignedFileAndTheContainerLoadAndAFailureOrAnEmptyNameUnloads) {
    const std::string text = someText();
    const Bytes der = list::signCms(text, hierarchy.commercial);
    const std::string derFile = root.write("list.p7m", std::string(der.begin(), der.end())).string();
    std::string base64;
    ASSERT_TRUE(Base64ConvertVector(der, base64, 1));
    const std::string base64File = root.write("list.b64", base64).string();
    const std::string container = (root.path() / "list.kyd").string();
    list::writeContainer(container, der, "20261207211554Z");

    EXPECT_FALSE(signer.IsTrustedList());
    signer.SetFormatOptions(1);
    ASSERT_TRUE(load(derFile)) << signer.GetLastErrorStr();
    EXPECT_TRUE(signer.IsTrustedList());
    EXPECT_EQ(platform::paths::toAnsi(derFile), signer.GetTrustedListFile());
    ASSERT_TRUE(load(container)) << signer.GetLastErrorStr();
    signer.SetFormatOptions(0);
    ASSERT_TRUE(load(base64File)) << signer.GetLastErrorStr();
    ASSERT_TRUE(load(container)) << "a container is read whatever the format options";

    Bytes tampered = der;
    const auto at = std::search(tampered.begin(), tampered.end(), text.begin(), text.begin() + 10);
    ASSERT_NE(tampered.end(), at);
    at[6] ^= 1;
    signer.SetFormatOptions(1);
    EXPECT_FALSE(load(root.write("tampered.p7m", std::string(tampered.begin(), tampered.end())).string()));
    EXPECT_EQ(9519, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.IsTrustedList()) << "a failure unloads the list loaded before";
    EXPECT_EQ("", signer.GetTrustedListFile());

    const struct {
        std::string text;
        const char* why;
    } unusable[] = {
        {"HASH(SHA1:1 3 14 3 2 26)=00\r\n" + text, "a field out of order"},
        {"FILE=/p/signaturePolicy_20101301000000Z.der\r\nHASH(SHA1:1 3 14 3 2 26)=00\r\n"
         "NOTICE=20991231235959Z NotAfter\r\n",
         "month 13"},
        {"no records at all", "no record"},
    };
    for (const auto& [badText, why] : unusable) {
        ASSERT_TRUE(load(derFile));
        EXPECT_FALSE(load(signedFile("unusable.p7m", badText, hierarchy.commercial))) << why;
        EXPECT_EQ(9500, signer.GetLastErrorNumber()) << why;
        EXPECT_FALSE(signer.IsTrustedList()) << why;
    }

    ASSERT_TRUE(load(derFile));
    const LONG before = signer.GetLastErrorNumber();
    EXPECT_TRUE(load(""));
    EXPECT_FALSE(signer.IsTrustedList());
    EXPECT_EQ(before, signer.GetLastErrorNumber()) << "unloading records nothing";
    EXPECT_FALSE(load((root.path() / "missing.p7m").string()));
    EXPECT_EQ(9502, signer.GetLastErrorNumber());
    EXPECT_FALSE(load(root.write("garbage.kyd", "PK\3\4 not really").string()));
    EXPECT_EQ(9502, signer.GetLastErrorNumber());
}

TEST_F(SignerTrustedList, AListWhoseSignerIsNamedByItsKeyIdentifierLoads) {
    const Bytes der = list::signCms(someText(), hierarchy.commercial, {"-keyid"});
    signer.SetFormatOptions(1);
    ASSERT_TRUE(load(root.write("list.p7m", std::string(der.begin(), der.end())).string()))
        << signer.GetLastErrorNumber() << " " << signer.GetLastErrorStr();
    EXPECT_TRUE(signer.IsTrustedList());
}

TEST_F(SignerTrustedList, TheListSignersValidityAndRevocationDecide) {
    const pki::Credential revoked = listSigner(hierarchy.standardCa, "Revoked List Signer", "/revoking.crl");
    server.route("/revoking.crl",
                 crlReply(pki::CrlBuilder(hierarchy.standardCa).revoke(revoked.certificate.serial()).build()));
    const pki::Credential unknown = listSigner(hierarchy.standardCa, "Unknown List Signer", "/missing.crl");
    server.route("/missing.crl", HttpReply::text(404, "not here"));
    signer.SetFormatOptions(1);

    const struct {
        const pki::Credential& by;
        LONG number;
    } cases[] = {{hierarchy.expired, 9508}, {revoked, 9510}, {unknown, 9514}, {hierarchy.commercial, 0}};
    for (const auto& [by, number] : cases) {
        load(signedFile("list.p7m", someText(), by));
        EXPECT_EQ(number, signer.GetLastErrorNumber()) << signer.GetLastErrorStr();
        EXPECT_EQ(number == 0, signer.IsTrustedList());
    }
}

TEST_F(SignerTrustedList, TheUserDecidesAboutTheListSignersUntrustedRoot) {
    server.route("/untrusted-root.crl", crlReply(pki::CrlBuilder(hierarchy.untrustedRoot).build()));
    const pki::Credential by = listSigner(hierarchy.untrustedRoot, "Foreign List Signer", "/untrusted-root.crl");
    signer.SetFormatOptions(1);
    const std::string file = signedFile("list.p7m", someText(), by);

    script::queue("MessageBox", "IDNO", "Tesk Untrusted Root CA");
    EXPECT_FALSE(load(file));
    EXPECT_EQ(11, signer.GetLastErrorNumber());
    script::queue("MessageBox", "IDCANCEL");
    EXPECT_FALSE(load(file));
    EXPECT_EQ(12, signer.GetLastErrorNumber());
    platform::ui::setBackend(std::make_unique<NoBoxes>());
    EXPECT_FALSE(load(file));
    EXPECT_EQ(9513, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.IsTrustedList());
    platform::ui::setBackend(nullptr);
    EXPECT_FALSE(inUserStore("Root", hierarchy.untrustedRoot.certificate));

    script::queue("MessageBox", "IDYES");
    EXPECT_TRUE(load(file)) << signer.GetLastErrorStr();
    EXPECT_TRUE(inUserStore("Root", hierarchy.untrustedRoot.certificate));
    const auto asked = script::transcript();
    ASSERT_EQ(3u, asked.size());
    const std::string sha1 = list::digestHex(hierarchy.untrustedRoot.certificate.der(), pki::Hash::Sha1);
    for (const std::string& question : asked) {
        EXPECT_NE(std::string::npos, question.find("Tesk Untrusted Root CA")) << question;
        EXPECT_NE(std::string::npos, question.find(sha1.substr(0, 4))) << question;
    }
    EXPECT_TRUE(load(file)) << "a root once trusted is not asked about again";
    EXPECT_EQ(3u, script::transcript().size());
}

TEST_F(SignerTrustedList, PoliciesAndCertificatesPassOnlyWithARecordValidNow) {
    const std::string tomorrow = list::stamp(pki::fromNow(24h));
    const std::string yesterday = list::stamp(pki::fromNow(-1h));
    const std::string later = list::stamp(pki::fromNow(24h * 365));

    auto policyOf = [](const std::string& oid) {
        testkit::policy::SignaturePolicy values;
        values.oid = oid;
        return testkit::policy::encode(values);
    };
    const Bytes bySha1 = policyOf("1.3.6.1.4.1.32473.10.1.1"), bySha256 = policyOf("1.3.6.1.4.1.32473.10.1.2"),
                otherOid = policyOf("1.3.6.1.4.1.32473.10.1.3"), ended = policyOf("1.3.6.1.4.1.32473.10.1.4"),
                notYet = policyOf("1.3.6.1.4.1.32473.10.1.5"), asRoot = policyOf("1.3.6.1.4.1.32473.10.1.6"),
                unlisted = policyOf("1.3.6.1.4.1.32473.10.1.7");
    const std::string oid1 = "1.3.6.1.4.1.32473.10.9.1", oid2 = "1.3.6.1.4.1.32473.10.9.2";
    const pki::Credential policyCa = pki::CertificateBuilder()
                                         .subject({{"CN", "Tesk Policy CA"}})
                                         .issuedBy(hierarchy.root)
                                         .basicConstraints({.ca = true})
                                         .keyUsage(pki::kKeyCertSign | pki::kCrlSign)
                                         .policies({{oid1}, {oid2}})
                                         .build();
    addToUserStore("CA", policyCa.certificate);
    auto userWith = [&](const std::string& name, std::vector<pki::Policy> policies) {
        return infoOf(pki::CertificateBuilder()
                          .subject({{"CN", name}})
                          .issuedBy(policyCa)
                          .keyUsage(pki::kNonRepudiation)
                          .policies(std::move(policies))
                          .build()
                          .certificate);
    };
    const CertInfo both = userWith("Both Policies", {{oid1}, {oid2}}), one = userWith("One Policy", {{oid1}});

    auto record = [&](const std::string& kind, const std::string& listedAt, const Bytes& item, pki::Hash hash,
                      const std::string& notAfter, std::vector<std::pair<std::string, std::string>> items) {
        return list::Record{"/l/" + kind + "_" + listedAt + ".der", item, hash, notAfter, std::move(items)};
    };
    const std::string from = list::stamp(pki::fromNow(-24h));
    const std::string text = list::listText({
        record("signaturePolicy", from, bySha1, pki::Hash::Sha1, later, {{"OID", "1.3.6.1.4.1.32473.10.1.1"}}),
        record("signaturePolicy", from, bySha256, pki::Hash::Sha256, later, {{"OID", "1.3.6.1.4.1.32473.10.1.2"}}),
        record("signaturePolicy", from, otherOid, pki::Hash::Sha1, later, {{"OID", "1.3.6.1.4.1.32473.10.1.9"}}),
        record("signaturePolicy", from, ended, pki::Hash::Sha1, yesterday, {{"OID", "1.3.6.1.4.1.32473.10.1.4"}}),
        record("signaturePolicy", tomorrow, notYet, pki::Hash::Sha1, later, {{"OID", "1.3.6.1.4.1.32473.10.1.5"}}),
        record("trustedCertificate", from, asRoot, pki::Hash::Sha1, later, {{"OID", "1.3.6.1.4.1.32473.10.1.6"}}),
        // Blanks separate the policies; the root itself carries none.
        record("trustedCertificate", from, hierarchy.root.certificate.der(), pki::Hash::Sha256, later,
               {{"OID", "1.2.3"}, {"ExplicitPolicy", oid1 + "  " + oid2}, {"FieldOfApplication", "a, b"}}),
    });
    auto decoded = [](const Bytes& der) {
        SignPolicyInfo info;
        EXPECT_TRUE(DecodeSignPolicyBuffer(der.data(), static_cast<DWORD>(der.size()), info));
        return info;
    };

    TSigner plain;
    EXPECT_TRUE(plain.ValidateSignPolicy(decoded(bySha1))) << "the plain signer needs no list";
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(bySha1))) << "the container signer does";
    EXPECT_FALSE(signer.ValidateSignCert(both));

    signer.SetFormatOptions(1);
    ASSERT_TRUE(load(signedFile("list.p7m", text, hierarchy.commercial))) << signer.GetLastErrorStr();
    EXPECT_TRUE(signer.ValidateSignPolicy(decoded(bySha1)));
    EXPECT_TRUE(signer.ValidateSignPolicy(decoded(bySha256)));
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(otherOid))) << "listed under another identifier";
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(ended))) << "its record has ended";
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(notYet))) << "listed only from tomorrow";
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(asRoot))) << "a certificate's record names no policy";
    EXPECT_FALSE(signer.ValidateSignPolicy(decoded(unlisted)));

    EXPECT_TRUE(signer.ValidateSignCert(both));
    EXPECT_TRUE(signer.ValidateTsaCert(both));
    EXPECT_FALSE(signer.ValidateSignCert(one)) << "one of the explicit policies is missing";
    EXPECT_FALSE(signer.ValidateSignCert(infoOf(hierarchy.qualified.certificate)));
    EXPECT_FALSE(signer.ValidateSignCert(infoOf(hierarchy.untrusted.certificate))) << "an unlisted root";

    // A root record without explicit policies takes any chain while it is
    // valid, and none once it has ended or before it is listed.
    for (const auto& [listedAt, notAfter, passes] :
         {std::tuple{from, later, true}, {from, yesterday, false}, {tomorrow, later, false}}) {
        ASSERT_TRUE(load(signedFile("roots.p7m",
                                    list::listText({record("trustedCertificate", listedAt,
                                                           hierarchy.root.certificate.der(), pki::Hash::Sha1,
                                                           notAfter, {{"OID", "1.2.3"}}),
                                                    record("signaturePolicy", from, bySha1, pki::Hash::Sha1, later,
                                                           {})}),
                                    hierarchy.commercial)));
        EXPECT_EQ(passes, signer.ValidateSignCert(infoOf(hierarchy.qualified.certificate))) << listedAt << notAfter;
        EXPECT_EQ(passes, signer.ValidateTsaCert(infoOf(hierarchy.commercial.certificate))) << listedAt << notAfter;
    }
}

}  // namespace
