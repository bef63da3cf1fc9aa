#include "common/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "testkit/process.h"

namespace {

const BYTE* bytePointerOf(std::string_view s) { return reinterpret_cast<const BYTE*>(s.data()); }

// Size query, then the encoding; the text without its NUL.
std::string encode(std::string_view data, DWORD flags) {
    DWORD size = 0;
    EXPECT_EQ(nullptr, Base64Codec(flags, bytePointerOf(data), static_cast<DWORD>(data.size()), nullptr, &size));
    std::string text(size, '*');
    BYTE* out = reinterpret_cast<BYTE*>(text.data());
    EXPECT_EQ(out, Base64Codec(flags, bytePointerOf(data), static_cast<DWORD>(data.size()), out, &size));
    EXPECT_EQ(text.size(), size);
    EXPECT_EQ('\0', text.back());
    text.pop_back();
    return text;
}

// Size query, then the decoding; nullopt when either call refuses.
std::optional<std::string> decode(std::string_view text, DWORD length = 0xFFFFFFFFu) {
    const std::string input(text);  // NUL-terminated
    DWORD size = 0;
    if (Base64Codec(10, bytePointerOf(input), length, nullptr, &size) != nullptr) return std::nullopt;
    if (size == 0) return std::string();
    std::string data(size, '\0');
    BYTE* out = reinterpret_cast<BYTE*>(data.data());
    if (Base64Codec(6, bytePointerOf(input), length, out, &size) != out || size != data.size()) return std::nullopt;
    return data;
}

std::string randomBytes(std::size_t n, std::mt19937& rng) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(Base64Encode, BreaksLinesAfter72CharactersAndAfterTheLastLine) {
    EXPECT_EQ(75u, Base64EncodedSize(54, 72, 2));
    const std::string one = encode(std::string(54, 'a'), 1);
    ASSERT_EQ(74u, one.size());
    EXPECT_EQ(std::string::npos, one.substr(0, 72).find_first_of("\r\n"));
    EXPECT_EQ("\r\n", one.substr(72));

    EXPECT_EQ(81u, Base64EncodedSize(55, 72, 2));
    const std::string two = encode(std::string(55, 'a'), 1);
    EXPECT_EQ(one.substr(0, 74), two.substr(0, 74));
    EXPECT_EQ("YQ==\r\n", two.substr(74));

    EXPECT_EQ("", encode("", 1));  // the size is 1: the NUL alone
}

TEST(Base64Encode, LineEndFlagsAndIgnoredBits) {
    const std::string data(55, 'z');
    const std::string crlf = encode(data, 1);
    const std::string lf = encode(data, 5);
    EXPECT_EQ(crlf.substr(0, 72) + "\n" + crlf.substr(74, 4) + "\n", lf);
    EXPECT_EQ(crlf.substr(0, 72) + crlf.substr(74, 4), encode(data, 17));
    EXPECT_EQ(encode(data, 17), encode(data, 21));
    EXPECT_EQ(crlf, encode(data, 33));
    EXPECT_EQ(lf, encode(data, 37));
    EXPECT_EQ(crlf, encode(data, 3));  // encoding wins over decoding
}

TEST(Base64Encode, SizeQueryAndRefusals) {
    const std::string data = "foobar";
    BYTE out[16];
    std::fill(std::begin(out), std::end(out), BYTE{'*'});
    DWORD size = 10;  // 8 characters, CR LF and the NUL need 11
    EXPECT_EQ(nullptr, Base64Codec(1, bytePointerOf(data), 6, out, &size));
    EXPECT_EQ(11u, size);
    EXPECT_EQ('*', out[0]);
    EXPECT_EQ(nullptr, Base64Codec(1, bytePointerOf(data), 6, out, nullptr));
    size = sizeof out;
    EXPECT_EQ(nullptr, Base64Codec(1, nullptr, 6, out, &size));
    EXPECT_EQ(nullptr, Base64Codec(4 | 16 | 32, bytePointerOf(data), 6, out, &size));  // neither direction

    // A size beyond 32 bits is refused, not wrapped.
    EXPECT_EQ(0u, Base64EncodedSize(0xFFFFFFFFu, 72, 2));
    size = 123;
    EXPECT_EQ(nullptr, Base64Codec(1, out, 0xFFFFFFFFu, nullptr, &size));
    EXPECT_EQ(0u, size);
}

TEST(Base64Codec, Rfc4648Vectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, coded] : vectors) {
        EXPECT_EQ(coded, encode(plain, 17)) << plain;
        EXPECT_EQ(plain, decode(coded)) << coded;
    }
}

TEST(Base64Decode, ArmourIsSkippedAndTheBodyEndsAtTheClosingLine) {
    const std::string body = "TWFu\r\nTWFu\r\n";
    EXPECT_EQ("ManMan", decode("-----BEGIN CERTIFICATE-----\r\n" + body + "-----END CERTIFICATE-----\r\nQUJD"));
    EXPECT_EQ("ManMan", decode(body));
    EXPECT_EQ("Man", decode("\r\n  -----BEGIN X-----TWFu-QUJD"));
}

TEST(Base64Decode, MalformedArmourFails) {
    for (const char* text : {"----BEGIN X-----TWFu", "-----BEGIN X----TWFu", "-----BEGIN X", "-TWFu"}) {
        DWORD size = 99;
        EXPECT_EQ(nullptr, Base64Codec(10, bytePointerOf(text), 0xFFFFFFFFu, nullptr, &size)) << text;
        EXPECT_EQ(0u, size) << text;
    }
}

TEST(Base64Decode, PadsInTheFirstTwoPlacesFail) {
    for (const char* text : {"=AAA", "A=AA", "TWFu==AA", "===="}) {
        DWORD size = 99;
        BYTE out[8];
        EXPECT_EQ(nullptr, Base64Codec(6, bytePointerOf(text), 0xFFFFFFFFu, out, &size)) << text;
        EXPECT_EQ(0u, size) << text;
    }
}

TEST(Base64Decode, PadsEndTheDataAndAnIncompleteGroupIsDropped) {
    EXPECT_EQ("A", decode("QQ=="));
    EXPECT_EQ("A", decode("QQ=A"));
    EXPECT_EQ("AB", decode("QUI="));
    EXPECT_EQ("A", decode("QQ==TWFu"));
    EXPECT_EQ("Man", decode("TWFuQQ"));
    EXPECT_EQ("Man", decode("T W\tF\nu*"));
}

TEST(Base64Decode, LengthLimitsTheInputAndANulEndsIt) {
    EXPECT_EQ("Man", decode("TWFuTWFu", 4));
    const std::string withNul("TWFu\0TWFu", 9);
    DWORD size = 0;
    EXPECT_EQ(nullptr, Base64Codec(2, bytePointerOf(withNul), 9, nullptr, &size));
    EXPECT_EQ(3u, size);
}

TEST(Base64Decode, ShortCapacityStillCountsEveryByte) {
    BYTE out[3] = {'*', '*', '*'};
    DWORD size = 2;
    EXPECT_EQ(nullptr, Base64Codec(2, bytePointerOf("TWFu"), 4, out, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ('M', out[0]);
    EXPECT_EQ('a', out[1]);
    EXPECT_EQ('*', out[2]);
    EXPECT_EQ(nullptr, Base64Codec(2, nullptr, 4, out, &size));
}

TEST(Base64Codec, AgreesWithOpenssl) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    std::mt19937 rng(20250102);
    for (std::size_t n : {1u, 2u, 3u, 53u, 54u, 55u, 255u, 1000u, 4096u}) {
        const std::string data = randomBytes(n, rng);
        testkit::RunOptions oneLine;
        oneLine.input = data;
        const auto peer = testkit::run({"openssl", "base64", "-A"}, oneLine);
        ASSERT_EQ(0, peer.exitCode) << peer.err;
        EXPECT_EQ(peer.out, encode(data, 17)) << n;

        testkit::RunOptions lines;
        lines.input = data;
        const auto wrapped = testkit::run({"openssl", "base64"}, lines);  // 64-character lines
        EXPECT_EQ(data, decode(wrapped.out)) << n;

        testkit::RunOptions ours;
        ours.input = encode(data, 5);
        const auto back = testkit::run({"openssl", "base64", "-d"}, ours);
        ASSERT_EQ(0, back.exitCode) << back.err;
        EXPECT_EQ(data, back.out) << n;
    }
}

}  // namespace
