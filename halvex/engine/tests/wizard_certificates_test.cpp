// testkit's certificates for the renewal wizard, as the renewal program
// reads and classifies them from the user's store.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cert_store_support.h"
#include "halvex/cert_access.h"
#include "testkit/wizard_certificates.h"

namespace {

using namespace cert_support;

std::map<std::string, halvex::CertInfo> byName(const std::vector<halvex::CertInfo>& records) {
    std::map<std::string, halvex::CertInfo> named;
    for (const auto& record : records) named[utf8(record.commonName)] = record;
    return named;
}

bool hasQcCompliance(const halvex::CertInfo& record) {
    return std::find(record.qcStatementOids.begin(), record.qcStatementOids.end(), u"0.4.0.1862.1.1") !=
           record.qcStatementOids.end();
}

TEST(WizardCertificates, EachKindReadsAsTheProgramClassifiesIt) {
    testkit::PlatformRoot root;
    ScriptUi ui;  // a lone Parvel half would warn: nothing may be asked
    const pki::Hierarchy hierarchy = pki::Hierarchy::make();
    const auto set = testkit::WizardCertificates::install(root, hierarchy);

    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> everything, valid, renewable;
    ASSERT_EQ(9u, access.EnumStoreCertificates(everything, false, u"MY", u"", false));
    ASSERT_EQ(8u, access.EnumStoreCertificates(valid, false, u"MY", u"", true));
    access.EnumStoreCertificates(renewable, true, u"MY", u"", true);

    // Every key opens in the container named after its certificate.
    for (const auto& record : everything) {
        std::u16string container;
        const OwnedCertContext found(halvex::TCryptoapi::FindCertificateInStore(record, u"MY", &container));
        ASSERT_TRUE(found) << utf8(record.commonName);
        EXPECT_EQ(record.commonName, container);
    }

    std::vector<std::string> renewableNames;
    for (const auto& record : renewable) renewableNames.push_back(utf8(record.commonName));
    std::sort(renewableNames.begin(), renewableNames.end());
    EXPECT_EQ(renewableNames, (std::vector<std::string>{set.authorityFamily.commonName, set.lawyer.commonName,
                                                         set.noDigitalSignature.commonName,
                                                         set.parvelQualified.commonName, set.qualified.commonName}));

    const auto all = byName(valid);
    EXPECT_EQ(all.count(set.expired.commonName), 0u);
    EXPECT_EQ(byName(everything).count(set.expired.commonName), 1u);

    const halvex::CertInfo& qualified = all.at(set.qualified.commonName);
    EXPECT_TRUE(qualified.keyUsage & 0x80);
    EXPECT_FALSE(qualified.authorityFamily || qualified.type6);
    EXPECT_TRUE(all.at(set.authorityFamily.commonName).authorityFamily);
    EXPECT_FALSE(all.at(set.noDigitalSignature.commonName).keyUsage & 0x80);

    const halvex::CertInfo& parvel = all.at(set.parvelQualified.commonName);
    const halvex::CertInfo& partner = all.at(set.parvelCommercial.commonName);
    EXPECT_EQ(utf8(parvel.pairNumber), set.pairNumber);
    EXPECT_EQ(partner.pairNumber, parvel.pairNumber);
    EXPECT_FALSE(hasQcCompliance(partner));

    const halvex::CertInfo& lawyer = all.at(set.lawyer.commonName);
    EXPECT_TRUE(lawyer.type6);
    EXPECT_EQ(utf8(lawyer.cardNumber), set.cardNumber);
    ASSERT_EQ(set.lawyerCommercial.size(), 2u);
    for (const auto& card : set.lawyerCommercial) {
        const halvex::CertInfo& commercial = all.at(card.commonName);
        EXPECT_EQ(commercial.cardNumber, lawyer.cardNumber);
        EXPECT_FALSE(hasQcCompliance(commercial));
        EXPECT_TRUE(commercial.keyUsage & 0x80);
    }
}

}  // namespace
