// The display text of certificates, its hexadecimal serial and the size
// protocol both follow; days added to file times.
#include <gtest/gtest.h>

#include "display_name.h"
#include "file_time.h"
#include "pentak_support.h"

namespace {

using namespace pentak_test;

TEST(FormatCertDisplayName, NameDateSerialAndIssuerWithTheSizeProtocol) {
    const auto ca = pki::CertificateBuilder().subject({{"CN", "Test CA"}, {"O", "Tesk"}}).basicConstraints({true}).build();
    const auto alice = pki::CertificateBuilder()
                           .subject({{"C", "CZ"}, {"CN", "Alice"}})
                           .serial({0x01, 0xA0})
                           .validity(pki::utc("2024-03-07T23:59:59Z"), pki::utc("2034-03-07"))
                           .issuedBy(ca)
                           .build();
    const auto context = contextOf(alice.certificate);
    const std::u16string expected = u"Alice [2024-03-07][01A0](Test CA)";

    DWORD length = 0;
    EXPECT_TRUE(FormatCertDisplayName(context.get(), nullptr, &length));
    EXPECT_EQ(expected.size() + 1, length);
    std::u16string buffer(expected.size() + 1, u'#');
    length = static_cast<DWORD>(expected.size());
    EXPECT_FALSE(FormatCertDisplayName(context.get(), buffer.data(), &length));
    EXPECT_EQ(expected.size() + 1, length);
    EXPECT_EQ(u'#', buffer[0]);
    length = static_cast<DWORD>(buffer.size());
    ASSERT_TRUE(FormatCertDisplayName(context.get(), buffer.data(), &length));
    EXPECT_EQ(expected, buffer.substr(0, length));
    EXPECT_EQ(u'\0', buffer[length]);
}

TEST(HexText, FlagsChooseCaseGroupsSeparatorsPrefixesAndOrder) {
    const BYTE bytes[] = {0x01, 0xA0, 0x3C};
    const auto groupSize = [](DWORD size) { return kHexGroupSizeGiven | size << 16; };
    struct Case {
        DWORD flags;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, u"01A0 3C"},
        {kHexLowerCase, u"01a0 3c"},
        {groupSize(1), u"01 A0 3C"},
        {groupSize(0), u"01A03C"},
        {groupSize(1) | kHexSeparatorGiven | DWORD{':'} << 24, u"01:A0:3C"},
        {groupSize(1) | kHexPrefixGroups, u"0x01 0xA0 0x3C"},
        {kHexPrefixGroups, u"0x01A0 0x3C"},
        {kHexLastByteFirst, u"3CA0 01"},
        {groupSize(0) | kHexLastByteFirst, u"3CA001"},
    };
    for (const Case& c : cases) {
        const std::u16string expected = c.text;
        DWORD length = 0;
        EXPECT_FALSE(HexTextToBuffer(bytes, 3, nullptr, &length, c.flags)) << c.flags;
        EXPECT_EQ(expected.size() + 1, length) << c.flags;
        std::u16string buffer(length, u'#');
        ASSERT_TRUE(HexTextToBuffer(bytes, 3, buffer.data(), &length, c.flags)) << c.flags;
        EXPECT_EQ(expected, buffer.substr(0, length)) << c.flags;
    }
    // No bytes still need room for the terminator.
    DWORD length = 0;
    EXPECT_FALSE(HexTextToBuffer(bytes, 0, nullptr, &length, 0));
    EXPECT_EQ(1u, length);
    char16_t one = u'#';
    EXPECT_TRUE(HexTextToBuffer(bytes, 0, &one, &length, 0));
    EXPECT_EQ(u'\0', one);
    EXPECT_EQ(0u, length);
}

TEST(AddDaysToFileTime, ADayIsEightHundredSixtyFourBillionTicks) {
    const FILETIME start{0xFFFFFFF0u, 7};
    const FILETIME later = AddDaysToFileTime(start, 1);
    const auto value = [](const FILETIME& t) { return static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    EXPECT_EQ(value(start) + 864'000'000'000ull, value(later));
    EXPECT_EQ(value(start) - 3 * 864'000'000'000ull, value(AddDaysToFileTime(start, -3)));
}

}  // namespace
