// The renewal-request document as it leaves the program: byte for byte the
// golden files, each valid against the schema the renewal server checks,
// its values read back unchanged by another XML reader; and the armour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "halvex/renew_armour.h"
#include "halvex/renew_xml.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace halvex {
namespace {

class NoAppData : public RequestAppData {
public:
    std::u16string DefaultHashOid() const override { return u"1.2.840.113549.1.1.11"; }
    bool IsAcceptedHash(const std::u16string&) const override { return true; }
    DWORD ProviderFlags(const std::u16string&) const override { return 0; }
};

const std::string kGolden = HALVEX_GOLDEN_DIR;
const std::string kSchema = std::string(HALVEX_RELAXNG_DIR) + "/renewal_request.rng";

std::string Document(TCertRequest& request, bool secondary) {
    EXPECT_TRUE(BuildRequestXml(request, secondary));
    return platform::text::toUtf8(request.xmlDocument);
}

// A qualified Parvel-pair request with nothing optional, delivered as a ZIP.
void MakeMinimal(TCertRequest& request) {
    request.kind = kKindQualified | kKindParvelPair;
    request.requestText = u"MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA\nq3Jx0ZtQ==\n";
    request.sendForm = true;
}

// A commercial request with every optional value, the user's values holding
// characters special to XML, the request text with CRLF line ends.
void MakeFull(TCertRequest& request) {
    request.kind = kKindCommercial;
    request.requestText = u"MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA\r\nq3Jx0ZtQ==\r\n";
    request.cardNumber = u"12&34<56>";
    request.challengePassword = u"a&b<c>\"d'e ]]>";
    request.sendForm = false;
    request.addIdentifier = true;
    request.identifierIssuer = u"SK";
    request.identifierValue = u"1234567890";
    request.certificate.subject = {{u"2.5.4.3", 12, u"Jan <&> \"Novák\""}, {u"2.5.4.6", 19, u"SK"}};
}

// The element's text as xmllint reads it, without the layout around it.
std::string ReadBack(const std::string& file, const std::string& element, const std::string& before,
                     const std::string& after) {
    const auto result = testkit::run({"xmllint", "--xpath", "string(//" + element + ")", file});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::string text = result.out;
    if (text.ends_with("\n")) text.pop_back();  // xmllint's own line end
    EXPECT_TRUE(text.starts_with(before) && text.ends_with(after)) << element << ": " << text;
    if (text.size() < before.size() + after.size()) return text;
    return text.substr(before.size(), text.size() - before.size() - after.size());
}

TEST(HalvexRenewXml, DocumentsAreTheGoldenFilesAndValidForTheSchema) {
    NoAppData app;
    struct Case {
        std::string golden;
        void (*make)(TCertRequest&);
        bool secondary;
    };
    const std::vector<Case> cases = {{"renew_primary_minimal.xml", MakeMinimal, false},
                                     {"renew_secondary_minimal.xml", MakeMinimal, true},
                                     {"renew_primary_full.xml", MakeFull, false},
                                     {"renew_secondary_full.xml", MakeFull, true}};
    for (const Case& c : cases) {
        TCertRequest request(app);
        c.make(request);
        EXPECT_EQ(Document(request, c.secondary), testkit::readFile(kGolden + "/" + c.golden)) << c.golden;
        const auto lint = testkit::run({"xmllint", "--noout", "--relaxng", kSchema, kGolden + "/" + c.golden});
        EXPECT_EQ(lint.exitCode, 0) << c.golden << ": " << lint.err;
    }

    // An identifier the certificate already carries is not asked for again.
    TCertRequest carried(app);
    MakeMinimal(carried);
    carried.addIdentifier = true;
    carried.hasIdentifier = true;
    carried.identifierValue = u"1234567890";
    EXPECT_EQ(Document(carried, false), testkit::readFile(kGolden + "/renew_primary_minimal.xml"));
}

TEST(HalvexRenewXml, ValuesReadBackUnchanged) {
    NoAppData app;
    TCertRequest request(app);
    MakeFull(request);
    testkit::PlatformRoot root;
    const std::string file = (root.path() / "request.xml").string();
    testkit::writeFile(file, Document(request, false));

    EXPECT_EQ(ReadBack(file, "ChallengePassword", "\n\t\t\t\t\t", "\n\t\t\t\t"), "a&b<c>\"d'e ]]>");
    EXPECT_EQ(ReadBack(file, "CardNumber", "\n\t\t\t\t\t", "\n\t\t\t\t"), "12&34<56>");
    EXPECT_EQ(ReadBack(file, "KeyAndRequestData/Request", "", "\t\t\t\t"),
              platform::text::toUtf8(request.requestText));
    const std::string summary = ReadBack(file, "AddSerialNumber", "\n\t\t\t\t\t\t", "\n\t\t\t\t\t");
    EXPECT_EQ(summary, platform::text::toUtf8(request.BuildSubject()));
    EXPECT_NE(summary.find("Jan <&> \"Novák\""), std::string::npos);
}

TEST(HalvexRenewXml, ValueXmlCannotCarryKeepsThePreviousDocument) {
    NoAppData app;
    TCertRequest request(app);
    MakeMinimal(request);
    ASSERT_TRUE(BuildRequestXml(request, false));
    const std::u16string before = request.xmlDocument;
    for (const std::u16string& bad : {std::u16string(u"pass\x01word"), std::u16string(1, char16_t(0xD800))}) {
        request.challengePassword = bad;
        request.sendForm = false;
        EXPECT_FALSE(BuildRequestXml(request, true));
        EXPECT_EQ(request.xmlDocument, before);
    }
}

TEST(HalvexRenewArmour, BodyIsWrappedAsGivenAndCertificateArmourStripped) {
    EXPECT_EQ(PemKydBlock(u"TUlJQg==\n"), u"-----BEGIN Tesk Kyd-----\nTUlJQg==\n-----END Tesk Kyd-----\n");
    EXPECT_EQ(PemKydBlock(u"TUlJQg=="), u"-----BEGIN Tesk Kyd-----\nTUlJQg==-----END Tesk Kyd-----\n");
    EXPECT_EQ(StripCertificateArmour(u"-----BEGIN CERTIFICATE-----\r\nMIIB\r\nAA==\r\n-----END CERTIFICATE-----\r\n"),
              u"MIIBAA==");
}

}  // namespace
}  // namespace halvex
