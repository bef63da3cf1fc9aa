// The DER reader and writer on their own: refusals of malformed input with
// CryptoAPI's codes, minimal integers, OIDs of any size and the time forms.
#include <gtest/gtest.h>

#include "crypt_support.h"
#include "der/der.h"
#include "platform/win_error.h"
#include "win32/datetime.h"

using namespace platform::crypt;
using crypt_test::Bytes;
using crypt_test::fromHex;
using crypt_test::hex;

namespace {

DWORD readError(const Bytes& input) {
    try {
        der::Reader r(input);
        while (!r.atEnd()) {
            const der::Element e = r.read();
            if (e.tag & 0x20) readError(Bytes(e.content.begin(), e.content.end()));
        }
    } catch (const platform::WinError& e) {
        return e.code();
    }
    return 0;
}

}  // namespace

TEST(DerReader, RefusesMalformedHeadersWithCryptoApiCodes) {
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), readError(fromHex("30")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), readError(fromHex("30 05 02 01 01")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), readError(fromHex("30 82 01")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), readError(fromHex("04 84 FF FF FF FF 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), readError(fromHex("30 80 02 01 01 00 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), readError(fromHex("04 85 00 00 00 00 01 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), readError(fromHex("1F 81 01 00")));
    EXPECT_EQ(0u, readError(fromHex("30 81 03 02 01 05")));  // BER long form of a short length is read
}

TEST(DerReader, BoundsNestingDepth) {
    Bytes nested;
    for (unsigned i = 0; i <= der::kMaxDepth + 1; ++i) nested = der::encode(der::kSequence, nested);
    der::Reader r(nested);
    const auto descend = [](der::Reader reader, auto& self) -> void {
        if (reader.atEnd()) return;
        self(reader.enter(der::kSequence), self);
    };
    try {
        descend(r, descend);
        FAIL() << "nesting beyond the limit was read";
    } catch (const platform::WinError& e) {
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), e.code());
    }
}

TEST(DerReader, CountsElementsByWalkingThemNotByTrust) {
    const Bytes three = fromHex("02 01 01 02 01 02 04 00");
    der::Reader r(three);
    EXPECT_EQ(3u, r.countLeft());
    const Bytes lying = fromHex("02 01 01 02 05 02");
    der::Reader broken(lying);
    EXPECT_THROW(broken.countLeft(), platform::WinError);
}

TEST(DerWriter, IntegersAreMinimalTwosComplement) {
    EXPECT_EQ("020100", hex(der::integer(0)));
    EXPECT_EQ("02017F", hex(der::integer(127)));
    EXPECT_EQ("02020080", hex(der::integer(128)));
    EXPECT_EQ("0201FF", hex(der::integer(-1)));
    EXPECT_EQ("0202FF7F", hex(der::integer(-129)));
    EXPECT_EQ("020101", hex(der::integerSigned(fromHex("00 00 01"))));
    EXPECT_EQ("0201FF", hex(der::integerSigned(fromHex("FF FF"))));
    EXPECT_EQ("02020080", hex(der::integerUnsigned(fromHex("00 80"))));
    EXPECT_EQ("020100", hex(der::integerUnsigned({})));
}

TEST(DerWriter, LengthsUseTheShortestForm) {
    const auto header = [](std::size_t length) {
        const Bytes tlv = der::octetString(Bytes(length));
        return hex(Bytes(tlv.begin(), tlv.end() - static_cast<std::ptrdiff_t>(length)));
    };
    EXPECT_EQ("047F", header(127));
    EXPECT_EQ("048180", header(128));
    EXPECT_EQ("04820100", header(256));
    EXPECT_EQ("0483010000", header(65536));
}

TEST(DerWriter, SetOfIsSortedByEncoding) {
    EXPECT_EQ("3109020101020102040100", hex(der::setOf({der::integer(2), fromHex("04 01 00"), der::integer(1)})));
}

TEST(DerOid, RoundTripsIncludingArcsBeyondSixtyFourBits) {
    for (const char* text : {"1.2.840.113549.1.1.11", "2.5.29.17", "0.9.2342.19200300.100.1.25",
                             "2.25.329800735698586629295641978511506172918", "2.999.3", "1.2.18446744073709551616",
                             "2.18446744073709551536"}) {
        const Bytes encoded = der::oid(text);
        der::Reader r(encoded);
        EXPECT_EQ(text, der::oidTextOf(r.read(der::kOid).content));
    }
    // The encodings openssl asn1parse -genstr gives: an arc of 2^64, a first
    // group of 2^64 holding 2 and 2^64 - 80, a UUID arc of 128 bits.
    EXPECT_EQ("0603550403", hex(der::oid("2.5.4.3")));
    EXPECT_EQ("0603883703", hex(der::oid("2.999.3")));
    EXPECT_EQ("060B2A82808080808080808000", hex(der::oid("1.2.18446744073709551616")));
    EXPECT_EQ("060A82808080808080808000", hex(der::oid("2.18446744073709551536")));
    EXPECT_EQ("06146983F09DA7EBCFDEE0C7A1A7B2C0948CC8F9D776",
              hex(der::oid("2.25.329800735698586629295641978511506172918")));
}

TEST(DerOid, RefusesMalformedTextAndContent) {
    for (const char* text : {"", "1", "1.", "3.1", "1.40", "1.2.x", "01.2"})
        EXPECT_THROW(der::oid(text), platform::WinError) << text;
    EXPECT_THROW(der::oidTextOf(fromHex("2A 86")), platform::WinError);     // ends inside an arc
    EXPECT_THROW(der::oidTextOf(fromHex("2A 80 01")), platform::WinError);  // leading zero group
}

TEST(DerTime, WritesUtcTimeFrom1950To2049AndGeneralizedTimeOtherwise) {
    const auto fileTime = [](WORD year, WORD month, WORD day) {
        SYSTEMTIME st{year, month, 0, day, 12, 34, 56, 0};
        FILETIME ft{};
        EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
        return ft;
    };
    EXPECT_EQ("170D3439313233313132333435365A", hex(der::time(fileTime(2049, 12, 31))));
    EXPECT_EQ("180F32303530303130313132333435365A", hex(der::time(fileTime(2050, 1, 1))));
    EXPECT_EQ("170D3530303130313132333435365A", hex(der::time(fileTime(1950, 1, 1))));
    EXPECT_EQ("180F31393439313233313132333435365A", hex(der::time(fileTime(1949, 12, 31))));
    EXPECT_THROW(der::time(fileTime(10000, 1, 1)), platform::WinError);
}

TEST(DerTime, ReadsOffsetsFractionsAndRefusesImpossibleDates) {
    const auto read = [](const Bytes& tlv) {
        der::Reader r(tlv);
        return der::timeOf(r.read());
    };
    const FILETIME z = read(der::encode(der::kUtcTime, Bytes{'2', '4', '0', '1', '0', '1', '1', '2', '0', '0', 'Z'}));
    const FILETIME plus = read(der::encode(der::kUtcTime, Bytes{'2', '4', '0', '1', '0', '1', '1', '3', '0', '0', '0',
                                                                '0', '+', '0', '1', '0', '0'}));
    EXPECT_EQ(z.dwLowDateTime, plus.dwLowDateTime);
    EXPECT_EQ(z.dwHighDateTime, plus.dwHighDateTime);
    const std::string generalized = "20240101120000.5Z";
    const FILETIME half = read(der::encode(der::kGeneralizedTime, Bytes(generalized.begin(), generalized.end())));
    const ULONGLONG a = (static_cast<ULONGLONG>(z.dwHighDateTime) << 32) | z.dwLowDateTime;
    const ULONGLONG b = (static_cast<ULONGLONG>(half.dwHighDateTime) << 32) | half.dwLowDateTime;
    EXPECT_EQ(5'000'000u, b - a);
    for (const char* bad : {"240230120000Z", "2401011260Z", "24010112", "240101120000Zx"}) {
        const std::string s = bad;
        EXPECT_THROW(read(der::encode(der::kUtcTime, Bytes(s.begin(), s.end()))), platform::WinError) << bad;
    }
}
