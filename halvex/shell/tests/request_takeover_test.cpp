// The authentication request a lawyer card's holder asks for beside the
// pair: its subject made from the qualified certificate's when that names
// several identifiers and organisations.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "halvex/app_data.h"
#include "request_takeover.h"

namespace {

using Subject = std::vector<std::pair<std::u16string, std::u16string>>;

// The qualified certificate of Jan Novák with the identifiers and
// organisations given, in that order.
halvex::CertInfo Qualified(const std::vector<std::u16string>& serials,
                           const std::vector<std::u16string>& organisations) {
    halvex::CertInfo certificate;
    certificate.subjectAttributes = {{u"2.5.4.6", 4, u"CZ"}, {u"2.5.4.3", 12, u"Jan Novák"},
                                     {u"2.5.4.42", 12, u"Jan"}, {u"2.5.4.4", 12, u"Novák"}};
    for (const std::u16string& serial : serials) certificate.subjectAttributes.push_back({u"2.5.4.5", 4, serial});
    for (const std::u16string& name : organisations) certificate.subjectAttributes.push_back({u"2.5.4.10", 12, name});
    certificate.providerName = u"Zintra CSP";
    certificate.keyLength = 2048;
    return certificate;
}

Subject SubjectOf(const halvex::TCertRequest& request) {
    Subject subject;
    for (const auto& attr : request.certificate.subject) subject.emplace_back(attr.oid, attr.value);
    return subject;
}

TEST(AuthenticationRequest, TakesTheBirthNumberElseADocumentElseTheFirstIdentifierAndTheLastOwnOrganisation) {
    const struct {
        std::vector<std::u16string> serials;
        std::vector<std::u16string> organisations;
        std::u16string serial;
        std::u16string organisation;
    } cases[] = {
        {{u"IDCCZ-123456789", u"PNOCZ 801231/0009", u"PNOCZ-7001010008"},
         {u"Tesk Test", u"Advokátní kancelář", u"Klient MANDANT"},
         u"PNOCZ-8012310009",
         u"Advokátní kancelář"},
        {{u"TINCZ-12345678", u"PASCZ-X1234567", u"IDCCZ-123456789"}, {u"Klient MANDANT"}, u"PASCZ-X1234567", u""},
        {{u"TINCZ-12345678", u"NTRCZ-87654321"}, {u"Tesk Test"}, u"TINCZ-12345678", u"Tesk Test"},
    };
    for (const auto& c : cases) {
        halvex::TCertRequest request(halvex::TAppData::Instance());
        halvex::BuildAuthenticationRequest(request, Qualified(c.serials, c.organisations));
        Subject expected = {{u"2.5.4.3", u"AUT Jan Novák"}, {u"2.5.4.5", c.serial}};
        if (!c.organisation.empty()) expected.emplace_back(u"2.5.4.10", c.organisation);
        expected.emplace_back(u"2.5.4.6", u"CZ");
        EXPECT_EQ(expected, SubjectOf(request));
        EXPECT_EQ(0x802u, request.kind);
        EXPECT_EQ(u"Zintra CSP", request.provider.name);
    }
}

}  // namespace
