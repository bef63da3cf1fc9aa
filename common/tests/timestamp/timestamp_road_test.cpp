// A time stamp over a signature's hash, fetched over HTTP and HTTPS from
// testkit's TSA, and every wrong answer it can be told to give.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>

#include "common/timestamp_time.h"
#include "testkit/process.h"
#include "testkit/tsa.h"
#include "timestamp_fixture.h"
#include "win32/datetime.h"

namespace timestamp_test {
namespace {

using testkit::Tsa;
using testkit::TsaFault;

const std::vector<BYTE> kSignatureValue = {0x5C, 0x01, 0x99, 0xFE, 0x00, 0x42, 0x17, 0x80};

std::int64_t ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

std::string hex(const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (BYTE b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

// One TSA per scheme for the whole binary; each test says how it answers.
class TimeStampRoad : public ::testing::TestWithParam<bool> {
protected:
    static Tsa& tsa(bool https) {
        static std::map<bool, std::unique_ptr<Tsa>> running;
        auto& one = running[https];
        if (!one) one = std::make_unique<Tsa>(hierarchy(), testkit::TsaOptions{.https = https});
        return *one;
    }
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        trust(u"Root", hierarchy().root.certificate.der());
        tsa(GetParam()).answer(TsaFault::None);
    }
    Tsa& server() { return tsa(GetParam()); }
    Outcome answeredWith(TsaFault fault, const RoadOptions& options = {}) {
        server().answer(fault);
        return fetchTimeStamp(server().url(), kSignatureValue, options);
    }

    const Machine m_machine;
};

INSTANTIATE_TEST_SUITE_P(Scheme, TimeStampRoad, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Https" : "Http"; });

TEST_P(TimeStampRoad, TokenAndItsFieldsComeBack) {
    const Outcome got = fetchTimeStamp(server().url(), kSignatureValue);
    ASSERT_EQ("", got.step) << got.status << " " << got.text;
    EXPECT_EQ(testkit::TsaSigner::kPolicy, got.info.policyOid);
    EXPECT_STREQ("C=SK, O=Tesk, CN=Tesk Time Stamping", got.info.tsaName);
    EXPECT_GT(got.info.serial.length, 0u);
    EXPECT_STREQ(kSha256Oid, got.info.imprint.hashAlgOid);
    EXPECT_EQ(got.imprint,
              std::vector<BYTE>(got.info.imprint.hash, got.info.imprint.hash + got.info.imprint.hashLength));

    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const FILETIME generated = ParseGeneralizedTime(got.info.genTime);
    EXPECT_LT(std::llabs(ticks(now) - ticks(generated)), 60LL * 10'000'000) << got.info.genTime;

    // The peer agrees: the token is the TSA's, over this imprint, with a chain to the root.
    const testkit::PlatformRoot files;
    const auto token = files.write("token.der", std::string(got.token.begin(), got.token.end()));
    const auto chain = files.write("chain.pem", hierarchy().tsa.chainPem());
    const auto verified = testkit::run({"openssl", "ts", "-verify", "-token_in", "-in", token.string(), "-digest",
                                        hex(got.imprint), "-CAfile", chain.string()});
    EXPECT_EQ(0, verified.exitCode) << verified.out << verified.err;
}

TEST_P(TimeStampRoad, TheTsasStatusDecidesAndARefusalKeepsItsText) {
    const Outcome rejected = answeredWith(TsaFault::BadStatus);
    EXPECT_EQ("status", rejected.step);
    EXPECT_EQ(TTI_E_RESPONSE_STATUS, rejected.status);
    EXPECT_EQ("2:PKIS_rejection, 14: PKIFI_timeNotAvailable, time source unavailable", rejected.text);

    const Outcome policy = answeredWith(TsaFault::None, {.policy = "1.3.6.1.4.1.32473.5.99"});
    EXPECT_EQ("status", policy.step);
    EXPECT_EQ(TTI_E_RESPONSE_STATUS, policy.status);
    EXPECT_EQ("2:PKIS_rejection, 15: PKIFI_unacceptedPolicy, Requested policy is not supported.", policy.text);

    const Outcome other = answeredWith(TsaFault::None, {.policy = std::string(testkit::TsaSigner::kOtherPolicy)});
    EXPECT_EQ("", other.step);
    EXPECT_EQ(testkit::TsaSigner::kOtherPolicy, other.info.policyOid);

    // Granted with modifications is granted: the token comes back.
    const Outcome modified = answeredWith(TsaFault::GrantedWithMods);
    EXPECT_EQ("", modified.step) << modified.status << " " << modified.text;
    EXPECT_FALSE(modified.token.empty());
}

TEST_P(TimeStampRoad, TokensThatDoNotAnswerTheRequestAreRefused) {
    const Outcome imprint = answeredWith(TsaFault::WrongImprint);
    EXPECT_EQ("check", imprint.step);
    EXPECT_EQ(TTI_E_UNEXPECTED_RESPONSE, imprint.status);
    EXPECT_EQ("(the message imprint is not the request's)", imprint.text);

    const Outcome nonce = answeredWith(TsaFault::WrongNonce);
    EXPECT_EQ("check", nonce.step);
    EXPECT_EQ(TTI_E_UNEXPECTED_RESPONSE, nonce.status);
    EXPECT_EQ("(the nonce is not the request's)", nonce.text);

    const Outcome signature = answeredWith(TsaFault::BadSignature);
    EXPECT_EQ("check", signature.step);
    EXPECT_EQ(TTI_E_SIGNATURE, signature.status);
}

TEST_P(TimeStampRoad, RepliesThatAreNoTimeStampAreRefused) {
    const Outcome garbage = answeredWith(TsaFault::Garbage);
    EXPECT_EQ("unpack", garbage.step);
    EXPECT_EQ(TTI_E_UNEXPECTED_RESPONSE, garbage.status);
    EXPECT_EQ("respcode:0", garbage.text);
}

TEST_P(TimeStampRoad, BrokenTransfersAreReportedWithTheirResultText) {
    const std::string head = "\n" + server().url() + ", status: ";
    const auto started = std::chrono::steady_clock::now();
    const Outcome slow = answeredWith(TsaFault::Slow, {.timeout = 1});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ("send", slow.step);
    EXPECT_EQ(INET_E_WININET, slow.status);
    EXPECT_EQ(0u, slow.text.rfind(head + "-1\n0x00002EE2 (12002)", 0)) << slow.text;  // ERROR_INTERNET_TIMEOUT

    const std::size_t before = server().requests();
    const Outcome reset = answeredWith(TsaFault::Reset);
    EXPECT_EQ("send", reset.step);
    EXPECT_EQ(INET_E_NO_REPLY, reset.status);
    EXPECT_EQ(0u, reset.text.rfind(head + "-6", 0)) << reset.text;
    EXPECT_EQ(before + 3, server().requests());  // three attempts
}

TEST(TimeStampHttps, AServerTheUserDoesNotTrustIsRefused) {
    const Machine machine;  // its user's Root store does not hold the testkit root
    Tsa tsa(hierarchy(), {.https = true});
    const Outcome got = fetchTimeStamp(tsa.url(), kSignatureValue);
    EXPECT_EQ("send", got.step);
    EXPECT_TRUE(got.token.empty());
    EXPECT_EQ(0u, tsa.requests());
}

}  // namespace
}  // namespace timestamp_test
