// The HTML the program writes into its pages, against golden text: each
// fragment kind built once with hostile text inside (markup, script, a
// command link, quotes, ampersands, line breaks) that must show literally.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "halvex/page_fragments.h"
#include "platform/text.h"
#include "testkit/growth.h"

namespace {

using namespace halvex;
using namespace halvex::pages;

class AppData : public RequestAppData {
public:
    std::u16string DefaultHashOid() const override { return u"2.16.840.1.101.3.4.2.1"; }
    bool IsAcceptedHash(const std::u16string&) const override { return true; }
    DWORD ProviderFlags(const std::u16string&) const override { return 0; }
};

const std::u16string kHostile = u"<a href=\"URL_APP_EXIT\" onclick='x()'>A&B</a>";

std::string golden(const char* name) {
    std::ifstream file(std::string(HALVEX_GOLDEN_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_TRUE(file.good()) << name;
    return text.str();
}

std::string utf8(const std::u16string& text) { return platform::text::toUtf8(text); }

class Fragments : public ::testing::Test {
protected:
    AppData appData;
    TCertRequest first{appData};
    TCertRequest second{appData};
};

TEST_F(Fragments, KeyUsageTableShowsEachUsageOfBothRequestsAndTheThirdColumnOnlyForAPair) {
    first.SetRequestKind(kKindQualified);      // non-repudiation and digital signature
    second.SetRequestKind(kKindCommercial);    // all five
    second.keyUsage[1] = false;
    EXPECT_EQ(golden("key_usage_table.html"), utf8(KeyUsageTable(first, &second)) + "\n");
    EXPECT_EQ(std::u16string::npos, KeyUsageTable(first, nullptr).find(u"td3"));
}

TEST_F(Fragments, CertificateTableEscapesFieldsListsAnEmailOnceAndPairsValuesByAttribute) {
    first.certificate.subject = {{u"2.5.4.3", 12, kHostile},
                                 {u"2.5.4.11", 12, u"Odbor \"A\""},
                                 {u"2.5.4.11", 12, u"Oddělení 1"},
                                 {u"2.5.4.97", 12, u"NTRCZ-12345678"},
                                 {u"1.2.840.113549.1.9.1", 22, u"Jan.Novak@example.cz"}};
    first.certificate.altNames = {{u"2", 22, u"jan.novak@example.cz"},
                                  {u"2", 22, u"druhy@example.cz"},
                                  {u"1.3.6.1.4.1.11801.2.1", 12, u"<script>alert(1)</script>"}};
    second.certificate.subject = {{u"2.5.4.3", 12, u"Jan Novák"}, {u"2.5.4.11", 12, u"Odbor B"}};
    second.certificate.altNames = {{u"2", 22, u"jan.novak@example.cz"}};
    EXPECT_EQ(golden("certificate_table.html"), utf8(CertificateTable(first, &second)) + "\n");
    EXPECT_EQ(std::u16string::npos, CertificateTable(first, nullptr).find(u"td3"));
}

TEST_F(Fragments, SummaryEscapesTheRequestTextAndChoosesTheAgreement) {
    first.hasIdentifier = false;
    first.addIdentifier = true;
    const std::u16string extended = SummaryAgreementPapers(first);
    first.hasIdentifier = true;
    const std::u16string plain = SummaryAgreementPapers(first);
    const std::u16string text = u"-----BEGIN NEW CERTIFICATE REQUEST-----\nMIIB" + kHostile + u"\n";
    EXPECT_EQ(golden("summary.html"),
              utf8(SummaryRequestText(text) + u"\n" + extended + u"\n" + plain) + "\n");
}

TEST_F(Fragments, AppendixNotesCloseTheirBoldAndShowServerTextLiterally) {
    EXPECT_EQ(golden("appendix.html"),
              utf8(AppendixSentNote(u"2026/0042<b>") + u"\n" + AppendixResendCommand() + u"\n" +
                   AppendixSendError(u"Server: " + kHostile + u"\r\nzkuste později") + u"\n" +
                   EscapeHtml(u"C:\\Žádosti\\<b>žádost'1\".req")) +
                  "\n");
}

TEST_F(Fragments, ErrorAndReviewTextsShowMarkupLiterallyWithLineBreaks) {
    const std::u16string text = u"Chyba 5 < 7 & " + kHostile + u"\r\ndruhý řádek\ntřetí\r\n";
    EXPECT_EQ(golden("texts.html"), utf8(ErrorPageText(text) + u"\n" + RequestReviewText(text)) + "\n");
}

TEST_F(Fragments, TablesAndTextsOfManyFieldsAndLinesCostNoMoreThanTheirLength) {
    EXPECT_TRUE(testkit::GrowsLinearly(
        [this](std::size_t size) {
            first.certificate = {};
            second.certificate = {};
            for (std::size_t i = 0; i < size; ++i) {
                const std::u16string n = platform::text::toWide(std::to_string(i));
                first.certificate.subject.push_back({u"1.2.840.113549.1.9.1", 22, u"a" + n + u"@example.cz"});
                first.certificate.altNames.push_back({u"2", 22, u"b" + n + u"@example.cz"});
                second.certificate.subject.push_back({u"1.2.840.113549.1.9.1", 22, u"c" + n + u"@example.cz"});
            }
            return [this, size] {
                const std::u16string table = CertificateTable(first, &second);
                EXPECT_NE(std::u16string::npos, table.find(u"c" + platform::text::toWide(std::to_string(size - 1))));
            };
        },
        5'000));
    EXPECT_TRUE(testkit::GrowsLinearly(
        [](std::size_t lines) {
            std::u16string text;
            for (std::size_t i = 0; i < lines; ++i) text += i % 2 ? u"řádek\r\n" : u"řádek\n";
            return [text, lines] { EXPECT_EQ(text.size() + lines * 3 - lines / 2, ErrorPageText(text).size()); };
        },
        40'000));
}

}  // namespace
