// The signer's certificates as a user meets them: what the selection dialog
// offers and asks for each kind, the choice remembered in the registry and
// preselected next time, an expired remembered certificate no longer
// preset, and the policy checks of signing and TSA certificates. The dialog
// is answered by the script backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "common/log.h"
#include "common/resource.h"
#include "common/sign_policy_rules.h"
#include "testkit/scoped_env.h"
#include "platform/ui.h"
#include "signer.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "win32/crypt_store.h"
#include "win32/crypt_types.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
namespace script = platform::ui::script;
using certificate_support::infoOf;
using certificate_support::userIssuedBy;

struct Certificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    pki::Credential signOnly = userIssuedBy(pki.standardCa, "Sign Only").keyUsage(pki::kDigitalSignature).build();
    pki::Credential encipherOnly =
        userIssuedBy(pki.standardCa, "Encipher Only").keyUsage(pki::kKeyEncipherment).build();
    pki::Credential keyless = userIssuedBy(pki.standardCa, "Keyless")
                                  .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
                                  .build();
    pki::Credential expired = userIssuedBy(pki.qualifiedCa, "Expired Signer")
                                  .keyUsage(pki::kDigitalSignature)
                                  .validity(pki::utc("2020-01-01"), pki::utc("2021-01-01"))
                                  .build();
    pki::Credential recipient = userIssuedBy(pki.standardCa, "Recipient").keyUsage(pki::kKeyEncipherment).build();
};

const Certificates& certs() {
    static const Certificates made;
    return made;
}

// Adds the certificate to the user's system store, bound to a key in a
// container of the software provider when withKey.
void storeForUser(const char16_t* store, const pki::Certificate& certificate, bool withKey) {
    HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    ASSERT_NE(nullptr, opened);
    certificate_support::addCertificate(opened, certificate,
                                        withKey ? u"Microsoft Enhanced Cryptographic Provider v1.0" : nullptr);
    CertCloseStore(opened, 0);
}

// What the one selection dialog shown so far asked and offered.
struct Asked {
    std::string question;  // "SelectCertificate: <title>: <prompt>: ..."
    std::vector<std::string> offered;
    std::string selected;
};

Asked asked() {
    Asked out;
    const auto lines = script::transcript();
    if (lines.size() != 1) return out;
    out.question = lines[0];
    static const std::regex row(R"( \[\d+\](\*?) ([^|]+?) \|)");
    for (std::sregex_iterator it(out.question.begin(), out.question.end(), row), end; it != end; ++it) {
        out.offered.push_back((*it)[2]);
        if ((*it)[1].length()) out.selected = (*it)[2];
    }
    return out;
}

// A signer whose policy a test sets, as loading one would.
class PolicySigner : public TSigner {
public:
    void setPolicy(const std::vector<BYTE>& der) { m_signPolicy = der; }
};

class SignerCertificates : public ::testing::Test {
protected:
    void SetUp() override {
        resetScript();
        TLogStrVect::Instance()->SetMask(0xFF);
        storeForUser(u"MY", c.signOnly.certificate, true);
        storeForUser(u"MY", c.encipherOnly.certificate, true);
        storeForUser(u"MY", c.keyless.certificate, false);
        storeForUser(u"AddressBook", c.recipient.certificate, false);
        storeForUser(u"Root", c.pki.root.certificate, false);
        storeForUser(u"CA", c.pki.standardCa.certificate, false);
        storeForUser(u"CA", c.pki.qualifiedCa.certificate, false);
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    static void resetScript() {
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
    }

    testkit::PlatformRoot root;
    const Certificates& c = certs();
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
};

TEST_F(SignerCertificates, EachKindAsksItsQuestionOverItsStoreWithItsKeyUsageAndKeyDemand) {
    TSigner signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    struct Row {
        LONG kind;
        std::string prompt;
        std::vector<std::string> offered;
    };
    const Row rows[] = {
        {0, "Select the certificate to authenticate with.", {"Encipher Only", "Sign Only"}},
        {1, "Select the certificate to be used for Digital Signatures.", {"Sign Only"}},
        {2, "Select your key exchange certificate that you will include in a signed message.", {"Encipher Only"}},
        {3, "Select the certificate by which you will encrypt messages for the receiver.", {"Recipient"}},
        {4, "Select the certificate to authenticate with.", {"Encipher Only", "Sign Only"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        resetScript();
        script::queue("SelectCertificate", "IDCANCEL");
        EXPECT_EQ(12, signer.ChooseCertificate(row.kind, "", true));
        const Asked shown = asked();
        EXPECT_EQ(0u, shown.question.find("SelectCertificate: Select a certificate: " + row.prompt + ": "))
            << shown.question;
        auto offered = shown.offered;
        std::sort(offered.begin(), offered.end());
        EXPECT_EQ(row.offered, offered);
    }
    resetScript();
    EXPECT_EQ(6, signer.ChooseCertificate(5, "", true));
    EXPECT_EQ(6, signer.ChooseCertificate(-1, "", true));
    EXPECT_TRUE(script::transcript().empty());

    // An issuer filter no certificate has leaves nothing to offer.
    EXPECT_EQ(51, signer.ChooseCertificate(1, "CN=Nobody", true));
}

TEST_F(SignerCertificates, AChoiceIsRememberedAcrossSignersPreselectedAndDroppedOnceExpired) {
    {
        TSigner signer;
        EXPECT_EQ("", signer.GetCertSignPem());
        EXPECT_FALSE(signer.ShowCertSign());
        EXPECT_EQ(3024, signer.GetLastErrorNumber());
        EXPECT_FALSE(signer.ShowTsaCertAuthentication());
        EXPECT_EQ(3015, signer.GetLastErrorNumber());

        // The signing road's operation: a signature certificate (bit 2) and
        // a bit that needs none. The lone candidate is taken without a
        // dialog.
        EXPECT_EQ(0, signer.PrepareCertificates(0x42, ""));
        EXPECT_EQ(infoOf(c.signOnly.certificate).pem, signer.GetCertSignPem());
        EXPECT_TRUE(script::transcript().empty()) << "no dialog for a lone candidate";
    }
    {
        TSigner signer;  // reloads the lists from the registry
        EXPECT_EQ(infoOf(c.signOnly.certificate).pem, signer.GetCertSignPem());
        // A second candidate chosen becomes the preset one, and its subject
        // is what the dialog preselects next time.
        storeForUser(u"MY", c.pki.commercial.certificate, true);
        const CertInfo commercial = infoOf(c.pki.commercial.certificate);
        script::queue("SelectCertificate", "1");
        ASSERT_TRUE(signer.SetCertSign("", nullptr));
        EXPECT_EQ(commercial.pem, signer.GetCertSignPem());
        resetScript();
        script::queue("SelectCertificate", "IDCANCEL");
        CertInfo out;
        EXPECT_FALSE(signer.SetCertSign("", &out));
        EXPECT_EQ(12, signer.GetLastErrorNumber());
        EXPECT_EQ(commercial.subjectSimpleName, asked().selected) << asked().question;
        EXPECT_TRUE(out.pem.empty()) << "a cancelled choice hands out nothing";
    }

    // An expired certificate chosen while validity was not demanded is not
    // preset once it is.
    storeForUser(u"MY", c.expired.certificate, true);
    TSigner signer;
    ASSERT_TRUE(signer.SetCertSelFlags(0));
    resetScript();
    script::queue("SelectCertificate", "0");
    CertInfo chosen;
    const std::string expiredDn = infoOf(c.expired.certificate).issuerDn;
    ASSERT_TRUE(signer.SetCertSign(expiredDn, &chosen));
    ASSERT_EQ(infoOf(c.expired.certificate).serialHex, chosen.serialHex);
    EXPECT_EQ(chosen.pem, signer.GetCertSignPem());
    ASSERT_TRUE(signer.SetCertSelFlags(1));
    EXPECT_EQ(infoOf(c.pki.commercial.certificate).pem, signer.GetCertSignPem())
        << "the earlier choice behind it is preset again";
}

TEST_F(SignerCertificates, PolicyDecidesWhichSigningAndTsaCertificatesPass) {
    PolicySigner signer;
    const CertInfo signing = infoOf(c.signOnly.certificate);
    const CertInfo tsa = infoOf(c.pki.tsa.certificate);
    EXPECT_TRUE(signer.ValidateSignCert(signing)) << "no policy accepts anything";
    EXPECT_TRUE(signer.ValidateTsaCert(infoOf(c.pki.untrusted.certificate)));

    // Signers must chain to another root: the choice is refused and not
    // remembered.
    testkit::policy::SignaturePolicy foreign;
    foreign.signerTrust = {c.pki.untrustedRoot.certificate};
    signer.setPolicy(testkit::policy::encode(foreign));
    EXPECT_FALSE(signer.ValidateSignCert(signing));
    script::queue("SelectCertificate", "0");
    EXPECT_EQ(3204, signer.ChooseCertificate(1, "", true));
    EXPECT_EQ("", signer.GetCertSignPem());
    EXPECT_EQ("", TSigner().GetCertSignPem()) << "nothing saved to the registry";

    // Our root trusted for both; the TSA's algorithms are held to the TSA
    // constraints, which allow them, not to the CAs', which do not.
    testkit::policy::SignaturePolicy ours;
    ours.signerTrust = {c.pki.root.certificate};
    ours.tsaTrust = {c.pki.root.certificate};
    ours.algorithms.ca = {{"1.2.840.10045.4.3.2"}};
    ours.algorithms.timestampAuthority = {{tsa.hashAlgOid}, {tsa.signatureAlgOid}};
    signer.setPolicy(testkit::policy::encode(ours));
    EXPECT_TRUE(signer.ValidateSignCert(signing));
    EXPECT_TRUE(signer.ValidateTsaCert(tsa));
    EXPECT_FALSE(signer.ValidateSignCert(infoOf(c.pki.untrusted.certificate))) << "root outside the trust tree";

    ours.algorithms.timestampAuthority = {{"1.2.840.10045.4.3.2"}};
    signer.setPolicy(testkit::policy::encode(ours));
    EXPECT_FALSE(signer.ValidateTsaCert(tsa));
    EXPECT_TRUE(signer.ValidateSignCert(signing)) << "end-entity algorithms are unconstrained";

    signer.setPolicy({0x30, 0x03, 0x02, 0x01});
    EXPECT_FALSE(signer.ValidateSignCert(signing)) << "a policy that does not decode";
}

}  // namespace
