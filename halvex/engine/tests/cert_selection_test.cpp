// The renewal program's choice of a certificate in CryptUI's selection
// dialog (libcryptui.so with the script backend): what its filter offers
// and preselects, the record of the chosen one, cancel and a missing CryptUI;
// and a certificate's PEM text in CryptUI's view.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "cert_store_support.h"
#include "halvex/cert_select.h"
#include "testkit/scoped_env.h"

namespace {

using namespace cert_support;

// The "Issued to" cell of every row the dialog offered, "*" before the
// selected one (the first unless the filter preselects another).
std::vector<std::string> offeredRows() {
    std::vector<std::string> rows;
    const auto asked = script::transcript();
    if (asked.size() != 1 || asked[0].rfind("SelectCertificate:", 0) != 0) return rows;
    static const std::regex row(R"( \[\d+\](\*?) ([^|]+?) \|)");
    for (std::sregex_iterator it(asked[0].begin(), asked[0].end(), row), end; it != end; ++it)
        rows.push_back((*it)[1].str() + (*it)[2].str());
    return rows;
}

class CertSelection : public ::testing::Test {
protected:
    void SetUp() override {
        installIssuers(pki);
        for (const pki::Credential* c : {&pki.qualified, &pki.commercial, &pki.untrusted, &pki.expired, &noUsage}) {
            halvex::CertInfo record;
            record.der = c->certificate.der();
            records.push_back(record);
        }
    }

    testkit::PlatformRoot root;
    ScriptUi ui;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
    const pki::Hierarchy pki = pki::Hierarchy::make();
    const pki::Credential noUsage = userOf(pki.standardCa, "Tesk No Usage").build();
    std::vector<halvex::CertInfo> records;
    const halvex::SelectTexts texts{nullptr, u"Obnova", u"Vyberte certifikát"};
};

TEST_F(CertSelection, FilterOffersByChainUsageAndIssuerAndPreselectsThePreferredDn) {
    const std::u16string qualifiedCaDn = [&] {
        halvex::CertInfo ca;
        const OwnedCertContext context(CertCreateCertificateContext(
            X509_ASN_ENCODING, pki.qualifiedCa.certificate.der().data(),
            static_cast<DWORD>(pki.qualifiedCa.certificate.der().size())));
        EXPECT_TRUE(halvex::TCryptoapi::ReadCertificate(ca, context.get()));
        return ca.subjectDn;
    }();
    halvex::CertInfo commercial;
    {
        const OwnedCertContext context(halvex::TCryptoapi::CertContextFromRecord(records[1]));
        ASSERT_TRUE(halvex::TCryptoapi::ReadCertificate(commercial, context.get()));
    }
    struct Case {
        const char* what;
        halvex::SelectFilter filter;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"defaults: the chain verifies now, any usage", {}, {"*Tesk Qualified User", "Tesk Commercial User"}},
        {"no chain check", {.checkChain = false},
         {"*Tesk Qualified User", "Tesk Commercial User", "Tesk Untrusted User", "Tesk Expired User"}},
        {"non-repudiation", {.checkChain = false, .keyUsageMask = 0x40}, {"*Tesk Qualified User"}},
        {"issuer", {.checkChain = false, .issuerDn = qualifiedCaDn}, {"*Tesk Qualified User"}},
        {"preferred DN", {.preferredDn = commercial.subjectDn}, {"Tesk Qualified User", "*Tesk Commercial User"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptUi::reset();
        script::queue("SelectCertificate", "0");
        halvex::CertInfo chosen;
        EXPECT_TRUE(halvex::SelectCertificateFromList(chosen, records, texts, c.filter));
        EXPECT_EQ(c.rows, offeredRows());
        EXPECT_EQ(u"Tesk Qualified User", chosen.commonName) << "the chosen row read into the record";
    }
}

TEST_F(CertSelection, CancelOrNoDialogLeavesTheRecordAsItWas) {
    halvex::CertInfo chosen;
    chosen.commonName = u"before";
    {
        // Before CryptUI was ever loaded here: a loaded module may stay
        // mapped after its release (the sanitize build keeps them).
        const ScopedEnv noCryptUi{"PLATFORM_MODULE_PATH", root.path().string()};
        EXPECT_FALSE(halvex::SelectCertificateFromList(chosen, records, texts, {}));
        EXPECT_EQ(u"before", chosen.commonName);
        EXPECT_TRUE(script::transcript().empty());
    }
    script::queue("SelectCertificate", "IDCANCEL");
    EXPECT_FALSE(halvex::SelectCertificateFromList(chosen, records, texts, {}));
    EXPECT_EQ(u"before", chosen.commonName);
    EXPECT_FALSE(halvex::SelectCertificateFromList(chosen, {}, texts, {})) << "no certificates";
    EXPECT_EQ(1u, script::transcript().size());
}

// The view shows the certificate of a record's PEM text; text that holds
// none, or a missing CryptUI, shows nothing.
TEST_F(CertSelection, APemTextIsShownInTheCertificateView) {
    halvex::CertInfo qualified;
    {
        const OwnedCertContext context(halvex::TCryptoapi::CertContextFromRecord(records[0]));
        ASSERT_TRUE(halvex::TCryptoapi::ReadCertificate(qualified, context.get()));
    }
    {
        const ScopedEnv noCryptUi{"PLATFORM_MODULE_PATH", root.path().string()};
        EXPECT_FALSE(halvex::TCryptoapi::ShowCertificatePem(qualified.pem));
    }
    script::queue("ViewCertificate", "IDOK");
    EXPECT_TRUE(halvex::TCryptoapi::ShowCertificatePem(qualified.pem));
    EXPECT_FALSE(halvex::TCryptoapi::ShowCertificatePem(u"-----BEGIN CERTIFICATE-----\nQUJD\n-----END CERTIFICATE-----\n"));
    EXPECT_FALSE(halvex::TCryptoapi::ShowCertificatePem(u""));
    const auto shown = script::transcript();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(0u, shown[0].rfind("ViewCertificate:", 0)) << shown[0];
    EXPECT_NE(std::string::npos, shown[0].find("Tesk Qualified User")) << shown[0];
}

}  // namespace
