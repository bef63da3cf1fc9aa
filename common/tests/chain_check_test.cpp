// The chain check: which errors each flag overlooks, its last error and log
// lines, the status texts and error numbers, the chain as records, and the
// subject checks of single certificates.
#include <gtest/gtest.h>

#include "certificate_support.h"
#include "cms_verify_support.h"
#include "common/chain_check.h"
#include "common/cryptoapi.h"
#include "win32/crypt_chain.h"
#include "win32/error.h"

using namespace verify_support;
using certificate_support::contextOf;
using certificate_support::infoOf;

namespace {

struct ChainCertificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    // Issued by a CA that no store holds.
    pki::Credential orphan =
        certificate_support::userIssuedBy(certificate_support::authority("Tesk Lost CA"), "Tesk Orphan").build();
};

const ChainCertificates& chainCerts() {
    static const ChainCertificates made;
    return made;
}

class ChainCheckTest : public VerifyTest {
protected:
    ChainCheckTest() : VerifyTest(chainCerts().pki) {}
    // The untrusted root is at hand, so that chain ends in a root.
    void SetUp() override {
        VerifyTest::SetUp();
        addToStore(u"CA", pki.untrustedRoot.certificate);
    }
    DWORD check(const pki::Credential& credential, DWORD flags, DWORD* errors, const FILETIME* time = nullptr) {
        return TCryptoapi::CheckChain(contextOf(credential.certificate).get(), flags, nullptr, errors, nullptr, time);
    }

    const pki::Hierarchy& pki = chainCerts().pki;
};

TEST(TrustStatusText, NamesTheErrorBitsThenTheInformationBitsEachAfterABlank) {
    EXPECT_EQ(
        " CERT_TRUST_NO_ERROR CERT_TRUST_HAS_EXACT_MATCH_ISSUER CERT_TRUST_IS_COMPLEX_CHAIN"
        " CERT_TRUST_HAS_PREFERRED_ISSUER",
        TCryptoapi::TrustStatusText(0, 0x10101));
    EXPECT_EQ(
        " CERT_TRUST_IS_NOT_TIME_VALID CERT_TRUST_IS_NOT_TIME_NESTED CERT_TRUST_IS_REVOKED"
        " CERT_TRUST_IS_NOT_SIGNATURE_VALID CERT_TRUST_IS_NOT_VALID_FOR_USAGE CERT_TRUST_IS_UNTRUSTED_ROOT"
        " CERT_TRUST_REVOCATION_STATUS_UNKNOWN CERT_TRUST_IS_CYCLIC CERT_TRUST_INVALID_EXTENSION"
        " CERT_TRUST_INVALID_POLICY_CONSTRAINTS CERT_TRUST_INVALID_BASIC_CONSTRAINTS"
        " CERT_TRUST_INVALID_NAME_CONSTRAINTS CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT"
        " CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT"
        " CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT CERT_TRUST_IS_OFFLINE_REVOCATION"
        " CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY CERT_TRUST_IS_PARTIAL_CHAIN CERT_TRUST_CTL_IS_NOT_TIME_VALID"
        " CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE"
        " CERT_TRUST_HAS_EXACT_MATCH_ISSUER CERT_TRUST_HAS_KEY_MATCH_ISSUER CERT_TRUST_HAS_NAME_MATCH_ISSUER"
        " CERT_TRUST_IS_SELF_SIGNED CERT_TRUST_IS_COMPLEX_CHAIN CERT_TRUST_HAS_PREFERRED_ISSUER"
        " CERT_TRUST_HAS_ISSUANCE_CHAIN_POLICY CERT_TRUST_HAS_VALID_NAME_CONSTRAINTS",
        TCryptoapi::TrustStatusText(0xFFFFFFFF, 0xFFFFFFFF));
}

TEST(ChainStatusToError, TheFirstRowOfTheTableWhoseBitIsSetDecides) {
    const std::vector<std::pair<DWORD, DWORD>> rows{{0, 0},          {0x10001, 1010}, {0x20001, 1011},  {0x40001, 1012},
                                                    {0x80001, 1013}, {0xFF, 1002},    {0xFE, 1003},     {0xFC, 1004},
                                                    {0xF8, 1005},    {0xF0, 1006},    {0xE0, 1007},     {0xC0, 1008},
                                                    {0x80, 1009},    {0x400, 1001},   {0x1000000, 1001}};
    for (const auto& [status, number] : rows)
        EXPECT_EQ(number, TCryptoapi::ChainStatusToError(status)) << std::hex << status;
}

// Flags 2 and 4 together check revocation, which the hierarchy's
// certificates (no distribution points) leave unknown.
TEST_F(ChainCheckTest, FlagsDecideWhichErrorsCountAndAFailureSetsTheLastError) {
    struct Case {
        const pki::Credential* credential;
        DWORD flags;
        DWORD number;  // of the masked status; 0: the chain passes
        HRESULT lastError;
    };
    const std::vector<Case> cases{
        {&pki.commercial, kCheckChain, 0, S_OK},
        {&pki.commercial, kCheckRevocation, 0, S_OK},
        {&pki.commercial, kCheckChain | kCheckRevocation, 1008, SEC_E_CERT_UNKNOWN},
        {&pki.untrusted, kCheckChain, 1007, SEC_E_UNTRUSTED_ROOT},
        {&pki.untrusted, kCheckRevocation, 0, S_OK},
        {&chainCerts().orphan, kCheckChain, 1010, SEC_E_CERT_UNKNOWN},
        {&chainCerts().orphan, kCheckRevocation, 0, S_OK},
        {&pki.expired, kCheckChain, 1002, SEC_E_CERT_EXPIRED},
        {&pki.notNested, kCheckChain, 1003, SEC_E_CERT_EXPIRED},
        {&pki.tampered, kCheckChain, 1005, TRUST_E_CERT_SIGNATURE},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        DWORD errors = 0xDEAD;
        EXPECT_EQ(c.number == 0 ? 1u : 0u, check(*c.credential, c.flags, &errors));
        EXPECT_EQ(c.number, TCryptoapi::ChainStatusToError(errors));
        EXPECT_EQ(static_cast<DWORD>(c.lastError), GetLastError()) << infoOf(c.credential->certificate).subjectDn;
    }
}

TEST_F(ChainCheckTest, PassesAreLoggedAtDebugLevelAndFailuresAsWarningsWithTheCheckTime) {
    DWORD errors = 0;
    check(pki.commercial, kCheckChain, &errors);
    EXPECT_NE("", loggedLineWith("> DBG  CertGetCertificateChain():DN 'C=SK, O=Tesk, CN=Tesk Commercial User', "
                                 "status:0x0,  CERT_TRUST_NO_ERROR CERT_TRUST_HAS_PREFERRED_ISSUER\n"));
    const FILETIME before = certificate_support::fileTimeOf(pki::utc("2025-03-05T07:08:09Z"));
    EXPECT_EQ(0u, check(pki.commercial, kCheckChain, &errors, &before));
    EXPECT_EQ(1002u, TCryptoapi::ChainStatusToError(errors));
    EXPECT_NE("", loggedLineWith("> WARN CertGetCertificateChain():DN 'C=SK, O=Tesk, CN=Tesk Commercial User', "
                                 "time: 7:8:9 5.3.2025 UTC, status:0x1,  CERT_TRUST_IS_NOT_TIME_VALID"));
}

TEST_F(ChainCheckTest, TheChainAsRecordsFromTheFirstIndexOn) {
    const auto serialsOf = [](const pki::Credential& credential, DWORD first) {
        std::vector<CertInfo> chain;
        EXPECT_EQ(1u, TCryptoapi::CheckCertificateChain(infoOf(credential.certificate), chain, first));
        std::vector<std::string> serials;
        for (const auto& record : chain) serials.push_back(record.serialHex);
        return serials;
    };
    const std::string ca = infoOf(pki.standardCa.certificate).serialHex;
    const std::string root = infoOf(pki.root.certificate).serialHex;
    EXPECT_EQ((std::vector{infoOf(pki.commercial.certificate).serialHex, ca, root}), serialsOf(pki.commercial, 0));
    EXPECT_EQ((std::vector{ca, root}), serialsOf(pki.commercial, 1));
    EXPECT_TRUE(serialsOf(pki.root, 1).empty());
    std::vector<CertInfo> none;
    EXPECT_EQ(0u, TCryptoapi::CheckCertificateChain(CertInfo{}, none, 0));
}

TEST_F(ChainCheckTest, SubjectChecksOfSingleCertificates) {
    const Bytes& user = pki.commercial.certificate.der();
    EXPECT_TRUE(VerifyCertificate(user, CERT_STORE_TIME_VALIDITY_FLAG));
    EXPECT_FALSE(VerifyCertificate(pki.notYetValid.certificate.der(), CERT_STORE_TIME_VALIDITY_FLAG));
    EXPECT_TRUE(VerifyCertificateDer(user, pki.standardCa.certificate.der(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_FALSE(VerifyCertificateDer(user, pki.qualifiedCa.certificate.der(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_FALSE(VerifyCertificateDer(user, Bytes{0x30, 0x00}, CERT_STORE_SIGNATURE_FLAG));
}

}  // namespace
