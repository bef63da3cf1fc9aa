// The renewal request model as the wizard's handlers use it: defaults, key
// lengths and usages by kind, hash choice, identifiers, the data page's
// values, and what a renewal keeps of the old certificate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "halvex/provider_list.h"
#include "halvex/request_model.h"
#include "halvex/request_subject_rules.h"
#include "platform/clock.h"

namespace halvex {
namespace {

constexpr char16_t kSha256Rsa[] = u"1.2.840.113549.1.1.11";
constexpr char16_t kSha512Rsa[] = u"1.2.840.113549.1.1.13";
constexpr char16_t kSha1Rsa[] = u"1.2.840.113549.1.1.5";

class FakeAppData : public RequestAppData {
public:
    std::u16string defaultHash = kSha256Rsa;
    std::vector<std::u16string> accepted = {kSha256Rsa, kSha512Rsa};
    std::map<std::u16string, DWORD> providerFlags;

    std::u16string DefaultHashOid() const override { return defaultHash; }
    bool IsAcceptedHash(const std::u16string& oid) const override {
        return std::find(accepted.begin(), accepted.end(), oid) != accepted.end();
    }
    DWORD ProviderFlags(const std::u16string& name) const override {
        const auto found = providerFlags.find(name);
        return found == providerFlags.end() ? 0 : found->second;
    }
};

// The local time fixed at 2024-03-05 08:08:09 in Prague for one test.
struct FixedPragueTime {
    FixedPragueTime() {
        setenv("TZ", "Europe/Prague", 1);
        tzset();
        platform::clock::setForTests(platform::clock::kUnixEpochAsFileTime + 1709622489000ull * 10000ull);
    }
    ~FixedPragueTime() { platform::clock::setForTests(std::nullopt); }
};

std::vector<std::u16string> Oids(const RequestAttrs& attrs) {
    std::vector<std::u16string> oids;
    for (const RequestAttr& attr : attrs) oids.push_back(attr.oid);
    return oids;
}

TEST(HalvexRequestModel, ResetBringsBackEveryDefaultWithContainersOfOneSecond) {
    FixedPragueTime time;
    FakeAppData app;
    TCertRequest request(app);
    request.keyLength = 1024;
    request.keyPair = u"1024|6";
    request.country = u"CZ";
    request.identifierPrefix = u"PAS";
    request.cardNumber = u"123";
    request.requestTimeStamp = u"20240101000000";
    request.saveFileName = u"obnova.req";
    request.certificate.subject.push_back({u"2.5.4.3", 13, u"Jan"});
    request.SetRequestKind(0x81);
    ASSERT_TRUE(request.SetHashAlgorithm(kSha512Rsa));

    request.Reset();
    EXPECT_EQ(request.keyLength, 2048);
    EXPECT_EQ(request.selectionIndex, -1);
    EXPECT_EQ(request.keyPair, u"2048|12");
    EXPECT_EQ(request.ValidityMonths(), 12);
    EXPECT_EQ(request.country, u"SK");
    EXPECT_EQ(request.identifierPrefix, u"PNO");
    EXPECT_EQ(request.kind, 0u);
    EXPECT_EQ(request.GetKeyUsage(), 0);
    EXPECT_EQ(request.cardFamily, 1);
    EXPECT_TRUE(request.sendForm);
    EXPECT_TRUE(request.strongProtection);
    EXPECT_EQ(request.subjectStringType, 13u);
    EXPECT_EQ(request.cardNumber, u"");
    EXPECT_EQ(request.requestTimeStamp, u"");
    EXPECT_EQ(request.saveFileName, u"");
    EXPECT_TRUE(request.certificate.subject.empty());
    EXPECT_EQ(request.firstContainer, u"20240305080809");
    EXPECT_EQ(request.secondContainer, u"C20240305080809");
    EXPECT_EQ(request.GetHashAlgorithm(), kSha256Rsa);
}

TEST(HalvexRequestModel, KeyLengthsAndValidity) {
    FakeAppData sha2;
    FakeAppData noSha2;
    noSha2.accepted.clear();
    struct Row {
        std::u16string keyPair;
        const FakeAppData* app;
        int length;
        int months;
    };
    const Row rows[] = {
        {u"1000|12", &sha2, 2048, 12},
        {u"512|12", &noSha2, 512, 12},  // the one length that is not a multiple of 1024
        {u"512|12", &sha2, 2048, 12},   // but under SHA-2 nothing is below 2048
        {u"3072|12", &sha2, 3072, 12},  // a multiple of 1024: kept
        {u"4096|6", &sha2, 4096, 6},
        {u"1024|6", &noSha2, 1024, 6},
        {u"0|24", &noSha2, 2048, 12},
        {u"-1024|12", &noSha2, 2048, 12},  // a negative length is no length
        {u"99999999999|12", &noSha2, 2048, 12},
        {u"abc", &noSha2, 2048, 12},
    };
    for (const Row& row : rows) {
        TCertRequest request(*row.app);
        request.keyPair = row.keyPair;
        SCOPED_TRACE(std::string(row.keyPair.begin(), row.keyPair.end()));
        EXPECT_EQ(request.NormalizeKeyLength(), row.length);
        EXPECT_EQ(request.ValidityMonths(), row.months);
    }
    EXPECT_EQ(TCertRequest::JoinPair(u"4096", u"6"), u"4096|6");
}

TEST(HalvexRequestModel, KeyUsageFollowsTheKind) {
    FakeAppData app;
    struct Row {
        DWORD kind;
        int usage;
        int basic;
        int all;
    };
    const Row rows[] = {
        {0x1, 3, 3, 31},          // qualified
        {0x2, 31, 3, 31},         // commercial
        {0x81, 3, 3, 3},          // Parvel pair: fixed usages
        {0x82, 29, 29, 29},
        {0x80082, 29, 29, 29},    // second certificate of a Parvel pair
        {0x80802, 31, 3, 31},     // second certificate of a lawyer-card pair
        {0x802, 31, 3, 31},       // additional authentication request
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        TCertRequest request(app);
        request.exportableKey = true;
        request.strongProtection = false;
        request.SetRequestKind(row.kind);
        EXPECT_EQ(request.GetKeyUsage(), row.usage);
        EXPECT_TRUE(request.strongProtection);
        EXPECT_EQ(request.exportableKey, (row.kind & 1) == 0) << "a qualified key is never exportable";
        EXPECT_EQ(request.PresetKeyUsageBasic(), row.basic);
        EXPECT_EQ(request.PresetKeyUsageAll(), row.all);
    }
}

TEST(HalvexRequestModel, HashAlgorithmIsAlwaysAnAcceptedOne) {
    FakeAppData app;
    TCertRequest request(app);
    EXPECT_FALSE(request.SetHashAlgorithm(kSha1Rsa));
    EXPECT_EQ(request.GetHashAlgorithm(), kSha256Rsa);
    EXPECT_TRUE(request.SetHashAlgorithm(kSha512Rsa));
    EXPECT_EQ(request.GetHashAlgorithm(), kSha512Rsa);
    EXPECT_TRUE(request.IsSha2Hash());

    request.hashAlgorithm = kSha1Rsa;  // as read from an old request
    EXPECT_EQ(request.GetHashAlgorithm(), kSha256Rsa);
    EXPECT_EQ(request.NormalizeKeyLength(1024), 2048);
}

TEST(HalvexRequestModel, IdentifierSerialNumberAndReader) {
    FakeAppData app;
    TCertRequest request(app);
    request.identifierIssuer = u"SK";
    request.identifierValue = u"1234567890";
    EXPECT_EQ(request.ComposeIdentifier(), u"PNOSK-1234567890");
    request.identifierPrefix = u"IDC";
    request.identifierIssuer = u"CZ";
    request.identifierQualifier = u"X";
    EXPECT_EQ(request.ComposeIdentifier(), u"IDCCZX-1234567890");

    auto& subject = request.certificate.subject;
    subject = {{u"2.5.4.5", 19, u"NTRSK-123"}, {u"2.5.4.3", 12, u"Jan Novák"}};
    EXPECT_EQ(request.GetSerialNumber(), u"");
    request.SetSerialNumber(u"PNOSK-111");
    ASSERT_EQ(subject.size(), 3u);
    EXPECT_EQ(subject[2], (RequestAttr{u"2.5.4.5", 13, u"PNOSK-111"}));
    EXPECT_EQ(request.GetSerialNumber(), u"PNOSK-111");
    request.SetSerialNumber(u"PASSK-222");
    EXPECT_EQ(subject.size(), 3u) << "the identifier is replaced, not added again";
    EXPECT_EQ(request.GetSerialNumber(), u"PASSK-222");
    EXPECT_EQ(subject[0].value, u"NTRSK-123");

    EXPECT_EQ(request.GetReaderPath(), u"");
    request.readerName = u"Reader 1";
    EXPECT_EQ(request.GetReaderPath(), u"\\\\.\\Reader 1\\");
    request.readerName = u"\\\\.\\Reader 1\\";
    EXPECT_EQ(request.GetReaderPath(), u"\\\\.\\Reader 1\\");
}

TEST(HalvexRequestModel, DataPageValuesAreTidiedAndContainersLabelled) {
    FixedPragueTime time;
    FakeAppData app;
    app.providerFlags = {{u"Card CSP", kProviderLabelsKeys}, {u"Pair CSP", kProviderLabelsKeys | kProviderParvelNative}};
    TCertRequest request(app);
    request.identifierValue = u"  123   456 ";
    request.identifierQualifier = u" Q ";
    request.country = u" SK  ";
    request.cardNumber = u"  0042  17";
    request.challengePassword = u"  two  blanks ";
    request.NormalizeFields();
    EXPECT_EQ(request.identifierValue, u"123 456");
    EXPECT_EQ(request.country, u"SK");
    EXPECT_EQ(request.identifierQualifier, u"") << "a Slovak identifier has no qualifier";
    EXPECT_EQ(request.cardNumber, u"0042 17");
    EXPECT_EQ(request.challengePassword, u"  two  blanks ") << "a password is taken as typed";
    EXPECT_EQ(request.firstContainer, u"20240305080809") << "the provider does not label keys";

    request.country = u"CZ";
    request.identifierQualifier = u"Q";
    request.NormalizeFields();
    EXPECT_EQ(request.identifierQualifier, u"Q");

    struct Row {
        std::u16string provider;
        DWORD kind;
        bool firstKeyOption;
        std::u16string first;
        std::u16string second;
    };
    const Row rows[] = {
        {u"  Card   CSP ", 0x81, true, u"PARVELQD 05/03/2024 08:08:09", u"PARVELSD 05/03/2024 08:08:09"},
        {u"Pair CSP", 0x82, true, u"PARVEL 05/03/2024 08:08:09", u"PARVEL 05/03/2024 08:08:09"},
        {u"Card CSP", 0x1, true, u"Objekt 05/03/2024 08:08:09", u"Objekt 05/03/2024 08:08:09"},
        {u"Card CSP", 0x1, false, u"20240305080809", u"C20240305080809"},
        {u"Soft CSP", 0x81, true, u"20240305080809", u"C20240305080809"},
    };
    for (const Row& row : rows) {
        TCertRequest labelled(app);
        labelled.provider.name = row.provider;
        labelled.SetRequestKind(row.kind);
        labelled.firstKeyOption = row.firstKeyOption;
        labelled.NormalizeFields();
        EXPECT_EQ(labelled.firstContainer, row.first);
        EXPECT_EQ(labelled.secondContainer, row.second);
    }
}

TEST(HalvexRequestModel, SummaryListsTheSubjectAndTheAddedIdentifier) {
    FakeAppData app;
    TCertRequest request(app);
    request.identifierIssuer = u"SK";
    request.identifierValue = u"1234567890";
    request.certificate.subject = {
        {u"1.2.840.113549.1.9.1", 22, u"jan@example.sk"}, {u"2.5.4.3", 12, u"Jan Novák"}, {u"2.5.4.5", 19, u"IDCSK-1"},
        {u"2.5.4.6", 19, u"SK"}, {u"2.5.4.3", 12, u"second name"}, {u"2.5.4.99", 12, u"unknown"}};
    const std::u16string summary = request.BuildSubject();
    const std::u16string head =
        u"Rekapitulace žádosti; Jedinečné jméno žadatele o certifikát (DN); "
        u"Sériové číslo (Serial Number): IDCSK-1; Sériové číslo (Serial Number): PNOSK-1234567890; "
        u"Celé jméno (Common Name): Jan Novák; Stát (Country): SK; "
        u"E-mailová adresa (E-mail Address): jan@example.sk; "
        u"Doplnění identifikátoru; Typ identifikátoru: Rodné číslo; "
        u"Vystavovatel rodného čísla/doklad: SK; Rodné číslo: 1234567890; "
        u"Žadatel souhlasí se zpracováním";
    EXPECT_EQ(summary.substr(0, head.size()), head);
    EXPECT_NE(summary.find(u"niektorých zákonov. Původní jedinečné jméno"), std::u16string::npos);
    EXPECT_TRUE(summary.ends_with(u"o výše uvedený identifikátor.")) << "no separator after the declarations";
    EXPECT_EQ(summary.find(u'\n'), std::u16string::npos);

    // An unknown prefix is named with an empty type and its number is left out.
    request.certificate.subject.clear();
    request.identifierPrefix = u"XYZ";
    request.identifierIssuer.clear();
    EXPECT_TRUE(request.BuildSubject().starts_with(
        u"Rekapitulace žádosti; Jedinečné jméno žadatele o certifikát (DN); "
        u"Sériové číslo (Serial Number): XYZ-1234567890; Doplnění identifikátoru; Typ identifikátoru: ; Žadatel"));
}

TEST(HalvexSubjectRules, RenewalTidiesTheTakenOverSubject) {
    RequestAttrs subject = {
        {u"2.5.4.6", 19, u"CZ"},
        {u"2.5.4.5", 19, u"PNOSK 123456/7890"},
        {u"2.5.4.5", 19, u"MANDANT MANDANT X"},
        {u"2.5.4.5", 19, u"IDCSK 1234"},
        {u"2.5.4.5", 19, u"MANDANT NTRSK-9"},
        {u"2.5.4.5", 19, u"NTRSK-123"},
        {u"2.5.4.6", 19, u"SK"},
        {u"2.5.4.5", 19, u"ABC 1/2"},
    };
    EXPECT_EQ(SubjectCountry(subject), u"SK");
    EXPECT_EQ(SubjectCountry({}), u"");

    NormalizeIdentifierSerials(subject);
    EXPECT_EQ(subject[1].value, u"PNOSK-1234567890");
    EXPECT_EQ(subject[3].value, u"IDCSK-1234");
    EXPECT_EQ(subject[7].value, u"ABC 1/2") << "not an identifier";

    ASSERT_TRUE(MoveMandantSerial(subject));
    ASSERT_EQ(subject.size(), 8u);
    EXPECT_EQ(subject.back(), (RequestAttr{u"2.5.4.5", 13, u"MANDANT X"}));
    EXPECT_EQ(subject[2].value, u"IDCSK-1234") << "the rest close up in order";

    ASSERT_TRUE(AddOrganizationIdentifier(subject));
    EXPECT_EQ(subject.back(), (RequestAttr{u"2.5.4.97", 13, u"NTRSK-123"})) << "a mandant's number is skipped";
    EXPECT_FALSE(AddOrganizationIdentifier(subject)) << "never a second one";

    RemovePnoSerial(subject);
    EXPECT_EQ(Oids(subject), (std::vector<std::u16string>{u"2.5.4.6", u"2.5.4.5", u"2.5.4.5", u"2.5.4.5", u"2.5.4.6",
                                                           u"2.5.4.5", u"2.5.4.5", u"2.5.4.97"}));

    RequestAttrs noMandant = {{u"2.5.4.5", 19, u"VAT CZ1"}};
    EXPECT_FALSE(MoveMandantSerial(noMandant));
    RequestAttrs built;
    AddGivenAndSurname(built, u"Jan", u"");
    EXPECT_TRUE(built.empty()) << "only both names together";
    AddGivenAndSurname(built, u"Jan", u"Novák");
    AddBasicSubject(built, u"Jan Novák", u"", u"PNOSK-1", u"", u"SK");
    EXPECT_EQ(Oids(built), (std::vector<std::u16string>{u"2.5.4.42", u"2.5.4.4", u"2.5.4.3", u"2.5.4.5", u"2.5.4.6"}));
    for (const RequestAttr& attr : built) EXPECT_EQ(attr.stringType, 13u);
}

TEST(HalvexRequestModel, RenewalKeepsTheNamesAndUsagesOfItsKind) {
    FakeAppData app;
    const RequestAttrs names = {{u"1.3.6.1.4.1.11801.2.1", 12, u"a"}, {u"1.3.6.1.4.1.311.20.2.3", 12, u"b"},
                                {u"2", 22, u"c"},                    {u"4", 0, u"d"},
                                {u"8", 0, u"e"},                     {u"1.3.6.1.4.1.11801.2.3", 12, u"f"}};
    const RequestAttrs usages = {{u"1.3.6.1.5.5.7.3.2", 0, u""}, {u"1.3.6.1.5.5.7.3.3", 0, u""},
                                 {u"1.3.6.1.4.1.311.20.2.2", 0, u""}, {u"1.3.6.1.5.5.7.3.8", 0, u""},
                                 {u"1.3.6.1.5.5.7.3.4", 0, u""}};
    const std::vector<std::u16string> qualifiedNames = {u"1.3.6.1.4.1.11801.2.1", u"2", u"8", u"1.3.6.1.4.1.11801.2.3"};
    const std::vector<std::u16string> qualifiedUsages = {u"1.3.6.1.5.5.7.3.2", u"1.3.6.1.5.5.7.3.4"};
    const std::vector<std::u16string> commercialNames = {u"1.3.6.1.4.1.311.20.2.3", u"2", u"8"};
    const std::vector<std::u16string> commercialUsages = {u"1.3.6.1.5.5.7.3.2", u"1.3.6.1.5.5.7.3.3",
                                                          u"1.3.6.1.4.1.311.20.2.2", u"1.3.6.1.5.5.7.3.4"};
    struct Row {
        DWORD kind;
        const std::vector<std::u16string>& names;
        const std::vector<std::u16string>& usages;
    };
    const std::vector<std::u16string> allNames = Oids(names);
    const std::vector<std::u16string> allUsages = Oids(usages);
    const Row rows[] = {
        {0x1, qualifiedNames, qualifiedUsages},
        {0x81, qualifiedNames, qualifiedUsages},
        {0x2, commercialNames, commercialUsages},
        {0x80, commercialNames, commercialUsages},
        {0x80802, commercialNames, commercialUsages},
        {0x0, allNames, allUsages},
        {0x80000, allNames, allUsages},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        TCertRequest request(app);
        request.kind = row.kind;
        request.certificate.altNames = names;
        request.certificate.extKeyUsage = usages;
        request.FilterAltNames();
        request.FilterExtKeyUsage();
        EXPECT_EQ(Oids(request.certificate.altNames), row.names);
        EXPECT_EQ(Oids(request.certificate.extKeyUsage), row.usages);
    }
}

}  // namespace
}  // namespace halvex
