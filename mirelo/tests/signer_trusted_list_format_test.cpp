// The trusted list's text as the authority writes it: records read alike on
// one line or many, looked up by digest in any case, and a text whose
// fields are out of order or carry no valid time stops being read there.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "signer_trusted_list_format.h"
#include "signing_support.h"
#include "testkit/growth.h"
#include "win32/datetime.h"

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

const std::string kPolicyFields =
    "FILE=/lists/policies/signaturePolicy_20100101000000Z.der\r\n"
    "HASH(SHA1:1 3 14 3 2 26)=A9993E364706816ABA3E25717850C26C9CD0D89D\r\n"
    "NOTICE=20201231235959Z NotAfter, FieldOfApplication=Qualified signatures, CZ, OID=1.2.3\r\n";
const std::string kRootFields =
    "FILE=C:\\lists\\trustedCertificate_20110615120000Z.cer\r\n"
    "HASH(SHA256:2 16 840 1 101 3 4 2 1)=00ff\r\n"
    "NOTICE=  20301231235959z NotAfter, OID=1.2.3, ExplicitPolicy = 1.2.3.4 1.2.3.5 , FieldOfApplication=Roots, all\r\n";

using signing_support::bytesOf;

TrustedList read(const std::string& text, int expectedStatus) {
    TrustedList list;
    EXPECT_EQ(expectedStatus, list.LoadFromMemory(bytesOf(text))) << text;
    return list;
}

FILETIME utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME parts{year, month, 0, day, hour, minute, second, 0};
    FILETIME out{};
    SystemTimeToFileTime(&parts, &out);
    return out;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST(TrustedListText, RecordsReadAlikeOnOneLineOrManyAndAreFoundByTheirDigestInAnyCase) {
    // An unfinished triple at the end is dropped without an error.
    const std::string text = kPolicyFields + kRootFields + "FILE=/x/trustedCertificate_20120101000000Z.cer\r\n";
    std::string oneLine = text;
    std::erase(oneLine, '\r');
    std::erase(oneLine, '\n');
    const TrustedList list = read(text, TrustedList::kRead);
    const TrustedList sameOnOneLine = read(oneLine, TrustedList::kRead);
    ASSERT_EQ(2u, list.Records().size());
    ASSERT_EQ(2u, sameOnOneLine.Records().size());
    for (std::size_t i = 0; i < 2; ++i) {
        const TrustedListRecord& a = list.Records()[i];
        const TrustedListRecord& b = sameOnOneLine.Records()[i];
        EXPECT_EQ(std::tie(a.fileValue, a.hashText, a.noticeText, a.items),
                  std::tie(b.fileValue, b.hashText, b.noticeText, b.items));
    }

    const TrustedListRecord& policy = list.Records()[0];
    EXPECT_EQ("/lists/policies", policy.folder);
    EXPECT_EQ("signaturePolicy_20100101000000Z.der", policy.name);
    EXPECT_EQ("der", policy.extension);
    EXPECT_TRUE(utc(2010, 1, 1, 0, 0, 0) == policy.fileTime);
    EXPECT_EQ("SHA1", policy.hashAlgorithm);
    EXPECT_EQ("1 3 14 3 2 26", policy.hashAlgorithmOid);
    EXPECT_TRUE(utc(2020, 12, 31, 23, 59, 59) == policy.notAfter);
    EXPECT_EQ((Items{{"FieldOfApplication", "Qualified signatures, CZ, OID=1.2.3"}}), policy.items)
        << "the field of application keeps its commas to the end";

    const TrustedListRecord& root = list.Records()[1];
    EXPECT_EQ("C:\\lists", root.folder) << "without a \"/\" the last \"\\\" separates the name";
    EXPECT_EQ("20301231235959Z", root.notAfterText);
    EXPECT_EQ((Items{{"OID", "1.2.3"}, {"ExplicitPolicy", "1.2.3.4 1.2.3.5"}, {"FieldOfApplication", "Roots, all"}}),
              root.items);
    EXPECT_EQ("1.2.3.4 1.2.3.5", TrustedList::GetValue(root, "explicitpolicy"));
    EXPECT_EQ("", TrustedList::GetValue(root, "NotThere"));

    TrustedListRecord found;
    EXPECT_TRUE(list.Select(TrustedList::kSignaturePolicy, "1 3 14 3 2 26",
                            "a9993e364706816aba3e25717850c26c9cd0d89d", found));
    EXPECT_EQ(policy.name, found.name);
    EXPECT_FALSE(list.Select(TrustedList::kTrustedCertificate, "1 3 14 3 2 26",
                             "a9993e364706816aba3e25717850c26c9cd0d89d", found))
        << "a policy's record names no certificate";
    EXPECT_TRUE(list.Select(TrustedList::kTrustedCertificate, "2 16 840 1 101 3 4 2 1", "00FF", found));
    EXPECT_FALSE(list.Select(TrustedList::kTrustedCertificate, "2 16 840 1 101 3 4 2 1", "00FF00", found));
}

TEST(TrustedListText, AFieldOutOfOrderOrWithoutAValidTimeStopsTheReadingThere) {
    const std::string hash = "HASH(SHA1:1 3 14 3 2 26)=00\r\n";
    const std::string notice = "NOTICE=20301231235959Z NotAfter\r\n";
    EXPECT_TRUE(read(hash + "FILE=/a/signaturePolicy_20100101000000Z.der\r\n" + notice, TrustedList::kFormatError)
                    .Records()
                    .empty())
        << "HASH before FILE";
    for (const std::string& bad : {
             "FILE=/a/signaturePolicy2_20100101000000Z.der" + hash + notice,  // the first digits are "2"
             "FILE=/a/signaturePolicy_20101301000000Z.der" + hash + notice,   // month 13
             "FILE=/a/signaturePolicy_20100230000000Z.der" + hash + notice,   // 30 February
             "FILE=signaturePolicy_20100101000000Z.der" + hash + notice,      // no folder
             "FILE=/a/signaturePolicy_20100101000000Z" + hash + notice,       // no extension
             "FILE=/a/signaturePolicy_20100101000000Z.der" + hash + "NOTICE=20301231235959Z Until\r\n",
             "FILE=/a/signaturePolicy_20100101000000Z.der" + hash + "NOTICE=20301231246000Z NotAfter\r\n",
             "FILE=/a/signaturePolicy_20100101000000Z.der" + hash + "NOTICE=soon 20301231235959Z NotAfter\r\n",
             "FILE=/a/signaturePolicy_20100101000000Z.derHASH)SHA1:1(=00" + notice,
         }) {
        const TrustedList list = read(kPolicyFields + bad + kPolicyFields, TrustedList::kFormatError);
        EXPECT_EQ(1u, list.Records().size()) << "the records before the fault stay: " << bad;
    }
}

TEST(TrustedListText, ANoticeItemWithoutAnEqualsSignCostsNoMoreThanItsLength) {
    EXPECT_TRUE(testkit::GrowsLinearly(
        [](std::size_t size) {
            const std::string text = "FILE=/a/signaturePolicy_20100101000000Z.der\r\nHASH(SHA1:1 3 14 3 2 26)=00\r\n"
                                     "NOTICE=20301231235959Z NotAfter, " +
                                     std::string(size, 'x') + "\r\n";
            return [text] {
                const TrustedList list = read(text, TrustedList::kRead);
                ASSERT_EQ(1u, list.Records().size());
                EXPECT_TRUE(list.Records()[0].items.empty());
            };
        },
        320'000));
}

}  // namespace
