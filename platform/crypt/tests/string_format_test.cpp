// CryptBinaryToString and CryptStringToBinary: the layouts, Base64 checked
// against OpenSSL's, armour skipping, the _ANY kinds and the size protocol.
#include <gtest/gtest.h>

#include "crypt_support.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_string.h"

using namespace crypt_test;

namespace {

Bytes sample(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<BYTE>(i * 37 + 11);
    return b;
}

std::string toText(const Bytes& bytes, DWORD flags) {
    DWORD size = 0;
    EXPECT_TRUE(CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, nullptr, &size));
    std::string text(size, '\0');
    EXPECT_TRUE(CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, text.data(), &size));
    EXPECT_EQ(text.size() - 1, size);  // with a buffer the count leaves the NUL out
    text.resize(size);
    return text;
}

Bytes toBytes(const std::string& text, DWORD flags, DWORD* skip = nullptr, DWORD* found = nullptr) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), 0, flags, nullptr, &size, skip, found)) return {};
    Bytes bytes(size);
    EXPECT_TRUE(CryptStringToBinaryA(text.c_str(), 0, flags, bytes.data(), &size, skip, found));
    return bytes;
}

}  // namespace

TEST(BinaryToString, Base64MatchesOpensslLineForLine) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot root;
    const Bytes data = sample(200);
    const auto file = root.write("data.bin", std::string(data.begin(), data.end()));
    const auto result = testkit::run({"openssl", "base64", "-e", "-in", file.string()});
    ASSERT_EQ(0, result.exitCode);
    EXPECT_EQ(result.out, toText(data, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCR));
    std::string crlf;
    for (char c : result.out) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(crlf, toText(data, CRYPT_STRING_BASE64));
    EXPECT_EQ(std::string::npos, toText(data, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF).find('\n'));
}

TEST(BinaryToString, ArmourAndHexLayouts) {
    const Bytes data = sample(3);
    const std::string b64 = toText(data, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF);
    EXPECT_EQ("-----BEGIN CERTIFICATE-----\r\n" + b64 + "\r\n-----END CERTIFICATE-----\r\n",
              toText(data, CRYPT_STRING_BASE64HEADER));
    EXPECT_EQ("-----BEGIN NEW CERTIFICATE REQUEST-----\n" + b64 + "\n-----END NEW CERTIFICATE REQUEST-----\n",
              toText(data, CRYPT_STRING_BASE64REQUESTHEADER | CRYPT_STRING_NOCR));
    EXPECT_EQ("-----BEGIN X509 CRL-----\r\n" + b64 + "\r\n-----END X509 CRL-----\r\n",
              toText(data, CRYPT_STRING_BASE64X509CRLHEADER));
    const Bytes twenty = fromHex("000102030405060708090A0B0C0D0E0F10111213");
    EXPECT_EQ("00 01 02 03 04 05 06 07  08 09 0a 0b 0c 0d 0e 0f\r\n10 11 12 13\r\n", toText(twenty, CRYPT_STRING_HEX));
    EXPECT_EQ("000102030405060708090a0b0c0d0e0f10111213\r\n", toText(twenty, CRYPT_STRING_HEXRAW));
    EXPECT_EQ("000102030405060708090a0b0c0d0e0f10111213",
              toText(twenty, CRYPT_STRING_HEXRAW | CRYPT_STRING_NOCRLF));
}

TEST(BinaryToString, ShortBufferGivesMoreDataAndTheSize) {
    const Bytes data = sample(10);
    char text[4];
    DWORD size = sizeof text;
    EXPECT_FALSE(CryptBinaryToStringA(data.data(), 10, CRYPT_STRING_BASE64, text, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(19u, size);  // 16 characters, CR LF and the NUL
    WCHAR wide[32];
    size = 32;
    EXPECT_TRUE(CryptBinaryToStringW(data.data(), 10, CRYPT_STRING_BASE64, wide, &size));
    EXPECT_EQ(18u, size);
}

TEST(StringToBinary, RoundTripsEveryFormat) {
    for (std::size_t n : {0u, 1u, 2u, 3u, 47u, 48u, 49u, 300u}) {
        const Bytes data = sample(n);
        for (DWORD format : {CRYPT_STRING_BASE64, CRYPT_STRING_BASE64HEADER, CRYPT_STRING_BASE64REQUESTHEADER,
                             CRYPT_STRING_BASE64X509CRLHEADER, CRYPT_STRING_HEX, CRYPT_STRING_HEXRAW}) {
            if (n == 0 && format != CRYPT_STRING_BASE64 && format != CRYPT_STRING_HEX) continue;
            EXPECT_EQ(hex(data), hex(toBytes(toText(data, format), format))) << n << " " << format;
        }
    }
}

TEST(StringToBinary, ArmourIsFoundAfterOtherTextAndAnyKindsReportTheFormat) {
    const Bytes data = sample(40);
    const std::string pem = "Subject: test\n" + toText(data, CRYPT_STRING_BASE64HEADER);
    DWORD skip = 99, found = 99;
    EXPECT_EQ(hex(data), hex(toBytes(pem, CRYPT_STRING_BASE64HEADER, &skip, &found)));
    EXPECT_EQ(14u, skip);
    EXPECT_EQ(CRYPT_STRING_BASE64HEADER, found);
    EXPECT_EQ(hex(data), hex(toBytes(pem, CRYPT_STRING_ANY, &skip, &found)));
    EXPECT_EQ(CRYPT_STRING_BASE64HEADER, found);
    const std::string plain = toText(data, CRYPT_STRING_BASE64);
    EXPECT_EQ(hex(data), hex(toBytes(plain, CRYPT_STRING_BASE64_ANY, &skip, &found)));
    EXPECT_EQ(CRYPT_STRING_BASE64, found);
    EXPECT_EQ(0u, skip);
    EXPECT_EQ("7E21", hex(toBytes("~!", CRYPT_STRING_ANY, &skip, &found)));
    EXPECT_EQ(CRYPT_STRING_BINARY, found);
}

TEST(StringToBinary, ArmourOnOneLineWithoutBreaksDecodesInWideText) {
    const Bytes data = sample(300);
    const std::string body = toText(data, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF);
    const std::string line = "-----BEGIN CERTIFICATE-----" + body + "-----END CERTIFICATE-----";
    const std::u16string wide(line.begin(), line.end());
    DWORD size = 0;
    ASSERT_TRUE(CryptStringToBinaryW(wide.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
    Bytes bytes(size);
    ASSERT_TRUE(CryptStringToBinaryW(wide.c_str(), 0, CRYPT_STRING_BASE64HEADER, bytes.data(), &size, nullptr, nullptr));
    EXPECT_EQ(hex(data), hex(bytes));
}

TEST(StringToBinary, TextNotInTheFormatIsInvalidData) {
    DWORD size = 0;
    for (const char* bad : {"QUJD*", "QUJ=D", "Q", "-----BEGIN CERTIFICATE-----\nQUJD\n", "0g"}) {
        const DWORD format = bad[0] == '0' ? CRYPT_STRING_HEX : bad[0] == '-' ? CRYPT_STRING_BASE64HEADER
                                                                              : CRYPT_STRING_BASE64;
        EXPECT_FALSE(CryptStringToBinaryA(bad, 0, format, nullptr, &size, nullptr, nullptr)) << bad;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError()) << bad;
    }
    BYTE out[2];
    size = 2;
    EXPECT_FALSE(CryptStringToBinaryW(u"QUJD", 0, CRYPT_STRING_BASE64, out, &size, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(3u, size);
    EXPECT_TRUE(CryptStringToBinaryW(u"QUJDxxx", 4, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr));
    EXPECT_EQ(3u, size);
}
