// Which of the user's certificates the renewal program offers in each
// environment: its policy flags, the qualified ones with QcCompliance, a
// Parvel pair only with its commercial partner, one warning for a lone pair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cert_store_support.h"
#include "halvex/cert_access.h"
#include "halvex/resource_strings.h"

namespace {

using namespace cert_support;

struct EnvironmentOids {
    DWORD environment;
    std::string qualified, otherQualified, type1, type6, familyPrefix;
};

const EnvironmentOids kEnvironments[] = {
    {0, "1.3.6.1.4.1.32473.1.2.999", "1.3.6.1.4.1.32473.1.2.999.0.0.0.1.2.2", "1.3.6.1.4.1.32473.1.2.999.1",
     "1.3.6.1.4.1.32473.1.2.999.1.1.6", "1.3.6.1.4.1.32473.1.2.999.1.1."},
    {1, "1.3.6.1.4.1.32473.1.999", "1.3.6.1.4.1.32473.1.3.999.0.0.0.1.2.2", "1.3.6.1.4.1.32473.1.3.999.1.1.1",
     "1.3.6.1.4.1.32473.1.999.6", "1.3.6.1.4.1.32473.1.999."},
    {2, "1.3.158.36061701.0.0.0.1.2.2", "1.3.158.36061701.0.0.0.1.2.2", "1.3.158.36061701.1.1.1",
     "1.3.158.36061701.1.1.6", "1.3.158.36061701.1.1."},
};

class CertClassification : public ::testing::Test {
protected:
    // A certificate of the qualified CA with the policy, QcCompliance when
    // asked and the pair number when given.
    void add(const char16_t* store, const std::string& name, const std::string& policy, bool qcCompliance,
             const std::string& pair = {}) {
        auto builder = userOf(pki.qualifiedCa, name).policies({{policy}});
        if (qcCompliance) builder.qcStatements({{std::string(pki::kQcCompliance)}});
        if (!pair.empty()) builder.authorityExtension(pair);
        addToStore(store, builder.build().certificate);
    }

    std::vector<std::u16string> namesOf(const std::vector<halvex::CertInfo>& records) {
        std::vector<std::u16string> names;
        for (const auto& record : records) names.push_back(record.commonName);
        return names;
    }

    testkit::PlatformRoot root;
    ScriptUi ui;
    const pki::Hierarchy pki = pki::Hierarchy::make();
};

TEST_F(CertClassification, EachEnvironmentOffersItsQualifiedCertificatesAndWarnsOnceForALonePair) {
    for (const EnvironmentOids& e : kEnvironments) {
        SCOPED_TRACE(e.environment);
        ScriptUi::reset();
        setEnvironment(e.environment);
        // A store of the environment's own, made by its first certificate.
        const std::u16string store = u"Test" + std::u16string(1, static_cast<char16_t>(u'0' + e.environment));
        add(store.c_str(), "Qualified", e.qualified, true);
        add(store.c_str(), "Pair Qualified", e.otherQualified, true, "P1");
        add(store.c_str(), "Pair Commercial", e.type1, false, "P1");
        add(store.c_str(), "Lone Pair", e.qualified, true, "P2");
        add(store.c_str(), "Without QcCompliance", e.qualified, false);
        add(store.c_str(), "Type Six", e.type6, true);
        add(store.c_str(), "Family", e.familyPrefix + "77", false);
        add(store.c_str(), "Foreign", "1.2.3.4.5", true);

        halvex::TCryptoapi access;
        std::vector<halvex::CertInfo> all;
        ASSERT_EQ(8u, access.EnumStoreCertificates(all, false, store, u"", true));
        std::u16string flags;
        for (const auto& r : all)
            flags += std::u16string(r.qualifiedPolicy ? u"Q" : u"-") + (r.type1 ? u"1" : u"-") +
                     (r.type6 ? u"6" : u"-") + (r.authorityFamily ? u"F" : u"-") + u" ";
        EXPECT_EQ(u"---- ---F --6F Q--- Q--- -1-F Q--- Q--- ", flags) << "last certificate first";
        EXPECT_TRUE(script::transcript().empty());

        script::queue("MessageBox", "IDOK", "Cert SN: ");
        std::vector<halvex::CertInfo> offered;
        ASSERT_EQ(2u, access.EnumStoreCertificates(offered, true, store, u"", true));
        EXPECT_EQ((std::vector<std::u16string>{u"Pair Qualified", u"Qualified"}), namesOf(offered));
        EXPECT_EQ(store, offered[0].storeName);
        const auto asked = script::transcript();
        ASSERT_EQ(1u, asked.size());
        const halvex::CertInfo& lone = all[4];
        ASSERT_EQ(u"Lone Pair", lone.commonName);
        const std::u16string warning = halvex::LoadResString(28800 + halvex::kErrPairWithoutPartner) +
                                       u"\nCert SN: " + lone.serial + u"\nCert CN: Lone Pair\nCert DN: " +
                                       lone.subjectDn;
        EXPECT_NE(std::string::npos, asked[0].find(utf8(warning))) << asked[0];
        EXPECT_NE(std::string::npos, asked[0].find("Parvel bez komerčního certifikátu"));
    }
}

TEST_F(CertClassification, AnEnvironmentWithoutPoliciesOffersNothingAndWarnsOfNothing) {
    const EnvironmentOids& production = kEnvironments[2];
    add(u"MY", "Qualified", production.qualified, true);
    add(u"MY", "Lone Pair", production.qualified, true, "P2");
    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> offered;
    script::queue("MessageBox", "IDOK", "Lone Pair");
    ASSERT_EQ(1u, access.EnumStoreCertificates(offered, true, u"MY", u"", true)) << "production without a profile";
    setEnvironment(5);
    offered.clear();
    EXPECT_EQ(0u, access.EnumStoreCertificates(offered, true, u"MY", u"", true));
    EXPECT_TRUE(offered.empty());
    EXPECT_EQ(1u, script::transcript().size()) << "no warning in an environment without policies";
    std::vector<halvex::CertInfo> all;
    ASSERT_EQ(2u, access.EnumStoreCertificates(all, false, u"MY", u"", true));
    EXPECT_FALSE(all[0].qualifiedPolicy || all[1].qualifiedPolicy || all[0].authorityFamily);
}

}  // namespace
