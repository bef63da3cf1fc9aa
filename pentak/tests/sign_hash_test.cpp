// Signing a buffer with a software key, judged by `openssl cms`, and SHA-1
// over more data than one hashing call takes, judged by `openssl dgst`.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "common/cryptoapi.h"
#include "common/pem.h"
#include "pentak_support.h"
#include "sign_buffer.h"
#include "testkit/csp.h"
#include "testkit/process.h"

namespace {

using namespace pentak_test;

std::string charsOf(const std::vector<BYTE>& bytes) { return {bytes.begin(), bytes.end()}; }

// The signingTime that `openssl cms -cmsout -print` shows, as a time_t.
std::time_t signingTimeOf(const std::string& printed) {
    const std::size_t at = printed.find("UTCTIME:", printed.find("signingTime"));
    std::tm tm{};
    if (at == std::string::npos || !strptime(printed.c_str() + at + 8, "%b %d %H:%M:%S %Y", &tm)) return 0;
    return timegm(&tm);
}

TEST(SignBuffer, AnAttachedMessageWithTheSigningTimeAndTheListedCertificates) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot machine;
    testkit::TestCsp csp(testkit::CspKind::Software, machine);
    const OwnedCertContext signer(csp.certificateWithKey("Pentak Signer", hierarchy().standardCa));
    const auto ca = contextOf(hierarchy().standardCa.certificate);
    const std::string content = "Žádost o certifikát\r\n";
    const std::vector<BYTE> data(content.begin(), content.end());

    TCryptoapi api;
    std::vector<BYTE> message;
    ASSERT_EQ(0u, api.SignBuffer(signer.get(), {signer.get(), ca.get()}, u"2.16.840.1.101.3.4.2.1", data, message));
    const auto file = machine.write("message.der", charsOf(message));
    const auto rootFile = machine.write("root.pem", hierarchy().root.certificate.pem());
    const auto verified = testkit::run({"openssl", "cms", "-verify", "-inform", "DER", "-in", file.string(), "-CAfile",
                                        rootFile.string(), "-purpose", "any"});
    EXPECT_EQ(0, verified.exitCode) << verified.err;
    EXPECT_EQ(content, verified.out);

    const auto printed = testkit::run({"openssl", "cms", "-cmsout", "-print", "-inform", "DER", "-in", file.string()});
    EXPECT_NE(std::string::npos, printed.out.find("algorithm: sha256"));
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    EXPECT_LE(std::abs(static_cast<long>(now - signingTimeOf(printed.out))), 60L) << printed.out;
    std::size_t certificates = 0;
    for (std::size_t at = 0; (at = printed.out.find("cert_info:", at)) != std::string::npos; ++at) ++certificates;
    EXPECT_EQ(2u, certificates);

    std::u16string text;
    ASSERT_EQ(0u, api.SignBufferToText(signer.get(), {signer.get()}, u"1.3.14.3.2.26", data, text));
    EXPECT_EQ(std::u16string::npos, text.find(u'\r'));
    EXPECT_EQ(u'\n', text.back());
    EXPECT_EQ(72u, text.find(u'\n'));
    std::vector<BYTE> decoded;
    ASSERT_TRUE(TAsn1Coder::StringToBinary(text, decoded, 6));
    const auto textFile = machine.write("text.der", charsOf(decoded));
    const auto textVerified =
        testkit::run({"openssl", "cms", "-verify", "-noverify", "-inform", "DER", "-in", textFile.string()});
    EXPECT_EQ(0, textVerified.exitCode) << textVerified.err;
    EXPECT_EQ(content, textVerified.out);

    EXPECT_EQ(kSignBufferNoCertificate, api.SignBuffer(nullptr, {}, u"1.3.14.3.2.26", data, message));
}

TEST(HashSha1, ManyPiecesGiveTheDigestOfTheWhole) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot machine;
    std::vector<BYTE> data(200000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7 + i / 251);
    TCryptoapi api;
    std::vector<BYTE> digest;
    ASSERT_TRUE(api.HashSha1(0, CALG_SHA1, data, digest));
    const auto file = machine.write("data.bin", charsOf(data));
    const auto peer = testkit::run({"openssl", "dgst", "-sha1", "-binary", file.string()});
    EXPECT_EQ(peer.out, charsOf(digest));
}

}  // namespace
