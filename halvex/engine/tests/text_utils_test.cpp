#include <gtest/gtest.h>

#include "halvex/dn_attributes.h"
#include "halvex/text_utils.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace halvex {
namespace {

TEST(HalvexTextUtils, ReplaceAllShrinksRunsAndNeverLoops) {
    std::u16string text = u"a    b     c";
    ReplaceAll(text, u"  ", u" ");
    EXPECT_EQ(text, u"a b c");

    // A replacement holding the pattern, or an empty pattern, would never
    // end; the text stays as it was.
    text = u"x.y";
    ReplaceAll(text, u".", u"..");
    EXPECT_EQ(text, u"x.y");
    ReplaceAll(text, u"", u"z");
    EXPECT_EQ(text, u"x.y");

    text = u"aabbab";
    EraseAll(text, u"ab");
    EXPECT_EQ(text, u"");
}

TEST(HalvexTextUtils, SplittingAndSearching) {
    EXPECT_EQ(GetLastPathPart(u"https://host/cgi-bin/renreq3.cgi"), u"/renreq3.cgi");
    EXPECT_EQ(GetLastPathPart(u"no-slash"), u"");
    EXPECT_EQ(SplitPair(u"key=value=more", u"="), std::make_pair(std::u16string(u"key"), std::u16string(u"value=more")));
    EXPECT_EQ(SplitPair(u"alone", u"="), std::make_pair(std::u16string(u"alone"), std::u16string()));
    EXPECT_EQ(Tokenize(u"a;b;", u";", true), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(Tokenize(u"a;b;", u";", false), (std::vector<std::u16string>{u"a", u"b", u""}));
    int end = 0;
    EXPECT_EQ(FindSubstring(u"abcabc", u"ca", &end), 2);
    EXPECT_EQ(end, 4);
    EXPECT_EQ(FindSubstring(u"abc", u"", &end), -1);
    EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
    EXPECT_EQ(EraseLeading(u"000120", u"0"), u"120");
    EXPECT_EQ(ChangeCase(u"žluť", true), u"ŽLUŤ");
}

TEST(HalvexTextUtils, OidsVersionsAndAttributeNames) {
    EXPECT_EQ(OidFromDer({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01}), u"1.2.840.113549.1.9.1");
    // A first subidentifier of 80 and more belongs to arc 2.
    EXPECT_EQ(OidFromDer({0x78}), u"2.40");
    EXPECT_EQ(OidFromDer({0x2A, 0x86}), u"");
    // OpenSSL encodes each OID; reading its contents gives the text back,
    // with arc 2's first subidentifiers past 79 and arcs past 64 bits.
    const testkit::PlatformRoot folder;
    for (const std::string oid : {"0.9.2342.19200300.100.1.25", "1.3.6.1.4.1.11801.2.1", "2.999.3", "2.100.3",
                                  "2.25.329800735698586629295641978511506172918"}) {
        const auto der = folder.path() / "oid.der";
        const auto made = testkit::run({"openssl", "asn1parse", "-genstr", "OID:" + oid, "-noout", "-out", der.string()});
        ASSERT_EQ(made.exitCode, 0) << oid << ": " << made.err;
        const std::string bytes = testkit::readFile(der);
        ASSERT_EQ(static_cast<std::size_t>(bytes[1]) + 2, bytes.size()) << oid;
        EXPECT_EQ(OidFromDer({bytes.begin() + 2, bytes.end()}), std::u16string(oid.begin(), oid.end()));
    }

    const VersionNumbers version = ParseVersion(u"1.4.12.300");
    EXPECT_EQ(version.part[0], 1u);
    EXPECT_EQ(version.part[1], 4u);
    EXPECT_EQ(version.part[2], 12u);
    EXPECT_EQ(version.part[3], 300u);

    EXPECT_EQ(DnAttrNumber("2.5.4.3"), 13);
    const DnAttrName cn = DnAttrNames(13);
    EXPECT_EQ(cn.shortName, u"CN");
    EXPECT_EQ(cn.display, u"Celé jméno (Common Name)");
    EXPECT_EQ(cn.longName, u"commonName");
    const DnAttrName unnamed = DnAttrNames(DnAttrNumber("1.3.6.1.4.1.11801.2.1"));
    EXPECT_EQ(unnamed.shortName, u"???");
    EXPECT_EQ(unnamed.display, u"???");
    EXPECT_EQ(unnamed.longName, u"???");
}

}  // namespace
}  // namespace halvex
