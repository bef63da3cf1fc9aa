// Time stamps on a signature made by a peer (`openssl cms -sign`), fetched
// from testkit's TSA over HTTP, HTTPS and a proxy, and every way the road
// to the token can break.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "common/cert_info.h"
#include "common/cert_manager.h"
#include "common/cryptoapi.h"
#include "common/pkcs7.h"
#include "platform/clock.h"
#include "signer.h"
#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/tsa.h"
#include "testkit/user_stores.h"
#include "win32/crypt_store.h"
#include "win32/datetime.h"

namespace {

using testkit::Tsa;
using testkit::TsaFault;
using testkit::TsaSigner;

const testkit::pki::Hierarchy& hierarchy() {
    static const auto made = testkit::pki::Hierarchy::make();
    return made;
}

std::string text(const std::vector<BYTE>& bytes) { return {bytes.begin(), bytes.end()}; }
std::vector<BYTE> bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The layer's clock fixed at a distance from now, for one scope.
class ShiftedClock {
public:
    explicit ShiftedClock(long long seconds) {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const auto ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        platform::clock::setForTests(static_cast<ULONGLONG>(static_cast<long long>(ticks) + seconds * 10'000'000));
    }
    ~ShiftedClock() { platform::clock::setForTests(std::nullopt); }
    ShiftedClock(const ShiftedClock&) = delete;
    ShiftedClock& operator=(const ShiftedClock&) = delete;
};

class SignerTimeStamp : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        // The user trusts the testkit root and knows the CA that issues client certificates.
        testkit::addToUserStore(u"Root", hierarchy().root.certificate);
        testkit::addToUserStore(u"CA", hierarchy().standardCa.certificate);
        const auto signer = hierarchy().commercial.write(m_root.path(), "signer");
        const auto data = m_root.write("document.txt", "Dokument na podpis.\n");
        m_message = m_root.path() / "signed.der";
        const auto signedByPeer =
            testkit::run({"openssl", "cms", "-sign", "-binary", "-nodetach", "-md", "sha256", "-outform", "DER",
                          "-in", data.string(), "-signer", signer.certificatePem.string(), "-inkey",
                          signer.keyPem.string(), "-out", m_message.string()});
        ASSERT_EQ(0, signedByPeer.exitCode) << signedByPeer.err;
        m_chain = signer.chainPem;
    }

    std::vector<BYTE> message() const { return bytes(testkit::readFile(m_message)); }

    // AddTimeStamp on the peer's message; the result is the last error.
    LONG stamp(TSigner& signer, std::vector<BYTE>& out) {
        out.clear();
        return signer.AddTimeStamp(0, message(), out);
    }
    LONG stampFrom(const std::string& url, const std::string& policy = {}) {
        TSigner signer;
        signer.SetCfgLanguageNumber(2);
        signer.SetTimeStampServer(url, policy);
        std::vector<BYTE> out;
        const LONG result = stamp(signer, out);
        EXPECT_EQ(result, signer.GetLastErrorNumber());
        m_lastText = signer.GetLastErrorStr();
        if (result) {
            EXPECT_TRUE(out.empty()) << "a failure leaves the output alone";
        }
        return result;
    }

    // The peers agree: the message still verifies, and the token it now
    // carries is the TSA's, over the hash of the signature value.
    void expectPeersAccept(const std::vector<BYTE>& stamped) {
        const auto file = m_root.write("stamped.der", text(stamped));
        const auto cms = testkit::run({"openssl", "cms", "-verify", "-inform", "DER", "-in", file.string(), "-CAfile",
                                       m_chain.string(), "-purpose", "any", "-out", "/dev/null"});
        EXPECT_EQ(0, cms.exitCode) << cms.err;

        TPkcs7 reader;
        ASSERT_EQ(0u, reader.Open(stamped));
        std::vector<BYTE> token, signatureValue;
        ASSERT_EQ(0u, reader.GetSignerTimeStampToken(0, token));
        ASSERT_EQ(0u, reader.GetSignerSignature(0, signatureValue));
        const auto tokenFile = m_root.write("token.der", text(token));
        const auto valueFile = m_root.write("signature-value.bin", text(signatureValue));
        const auto tsaChain = m_root.write("tsa-chain.pem", hierarchy().tsa.chainPem());
        const auto ts = testkit::run({"openssl", "ts", "-verify", "-token_in", "-in", tokenFile.string(), "-data",
                                      valueFile.string(), "-CAfile", tsaChain.string()});
        EXPECT_EQ(0, ts.exitCode) << ts.out << ts.err;
    }

    const testkit::PlatformRoot m_root;
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR};
    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
    std::filesystem::path m_message, m_chain;
    std::string m_lastText;
};

TEST_F(SignerTimeStamp, TheTokenOverTheSignatureValueIsAddedOverHttpAndHttps) {
    for (const bool https : {false, true}) {
        SCOPED_TRACE(https ? "https" : "http");
        Tsa tsa(hierarchy(), {.https = https});
        TSigner signer;
        signer.SetCfgLanguageNumber(2);
        signer.SetTimeStampServer(tsa.url(), std::string(TsaSigner::kOtherPolicy));
        std::vector<BYTE> stamped;
        ASSERT_EQ(0, stamp(signer, stamped)) << signer.GetLastErrorStr();
        EXPECT_EQ("Completed successfully.", signer.GetLastErrorStr());
        expectPeersAccept(stamped);
    }
}

TEST_F(SignerTimeStamp, ARequestThroughTheProxyHoldsTheImprintANonceAndThePolicyOnlyWhenSet) {
    Tsa tsa(hierarchy());
    testkit::HttpServer proxy({.proxy = true, .proxyCredentials = "agent:s3cret-word"});
    TSigner signer;
    signer.SetLogLevel(15);
    signer.SetInternetConnection(2, "127.0.0.1:" + std::to_string(proxy.port()), "agent", "s3cret-word");

    // What the peer reads in the request that passed through the proxy.
    const auto requestText = [&] {
        std::optional<testkit::HttpRequestRecord> last;
        for (const auto& record : proxy.requests())
            if (record.event == "request") last = record;
        EXPECT_TRUE(last);
        if (!last) return std::string();
        EXPECT_EQ(tsa.url(), last->target);
        const auto file = m_root.write("request.tsq", last->body);
        return testkit::run({"openssl", "ts", "-query", "-in", file.string(), "-text"}).out;
    };

    std::vector<BYTE> stamped;
    signer.SetTimeStampServer(tsa.url(), std::string(TsaSigner::kOtherPolicy));
    ASSERT_EQ(0, stamp(signer, stamped)) << signer.GetLastErrorStr();
    expectPeersAccept(stamped);
    const std::string withPolicy = requestText();
    EXPECT_NE(std::string::npos, withPolicy.find("Policy OID: " + std::string(TsaSigner::kOtherPolicy))) << withPolicy;
    EXPECT_TRUE(std::regex_search(withPolicy, std::regex("Nonce: 0x[0-9A-F]{16}\n"))) << withPolicy;
    EXPECT_NE(std::string::npos, withPolicy.find("Hash Algorithm: sha256")) << withPolicy;

    signer.SetTimeStampServer(tsa.url(), "");
    ASSERT_EQ(0, stamp(signer, stamped)) << signer.GetLastErrorStr();
    const std::string withoutPolicy = requestText();
    EXPECT_NE(std::string::npos, withoutPolicy.find("Policy OID: unspecified")) << withoutPolicy;

    const auto nonceOf = [](const std::string& t) {
        std::smatch m;
        return std::regex_search(t, m, std::regex("Nonce: (0x[0-9A-F]+)")) ? m[1].str() : std::string();
    };
    EXPECT_NE(nonceOf(withPolicy), nonceOf(withoutPolicy)) << "each request has a nonce of its own";
    EXPECT_EQ(std::string::npos, signer.GetLogString().find("s3cret-word"));
}

TEST_F(SignerTimeStamp, TokensThatDoNotAnswerTheRequestAreRefusedWithTheirNumber) {
    Tsa tsa(hierarchy());
    tsa.answer(TsaFault::BadStatus);
    EXPECT_EQ(709, stampFrom(tsa.url()));
    EXPECT_EQ("Invalid response status 2:PKIS_rejection, 14: PKIFI_timeNotAvailable, time source unavailable.",
              m_lastText);
    tsa.answer(TsaFault::WrongImprint);
    EXPECT_EQ(900, stampFrom(tsa.url()));
    EXPECT_EQ("Timestamp hash is not correct.", m_lastText);
    tsa.answer(TsaFault::WrongNonce);
    EXPECT_EQ(901, stampFrom(tsa.url()));
    tsa.answer(TsaFault::OtherPolicy);
    EXPECT_EQ(902, stampFrom(tsa.url(), std::string(TsaSigner::kPolicy)));
    tsa.answer(TsaFault::BadSignature);
    EXPECT_EQ(708, stampFrom(tsa.url()));
    tsa.answer(TsaFault::Garbage);
    EXPECT_EQ(712, stampFrom(tsa.url()));

    tsa.answer(TsaFault::None);
    {
        const ShiftedClock behind(-(5 * 60 + 1));
        EXPECT_EQ(903, stampFrom(tsa.url()));
    }
    {
        const ShiftedClock ahead(4 * 60 + 59);
        EXPECT_EQ(0, stampFrom(tsa.url())) << m_lastText;
    }

    const std::size_t before = tsa.requests();
    EXPECT_EQ(701, stampFrom(tsa.url(), "1.2." + std::string(126, '3')));
    EXPECT_EQ(before, tsa.requests()) << "a policy that does not fit is refused before connecting";
}

// A signer whose loaded policy the test sets directly.
class PolicySigner : public TSigner {
public:
    void setPolicy(const std::vector<BYTE>& der) { m_signPolicy = der; }
};

TEST_F(SignerTimeStamp, UnderAPolicyOnlyATsaItTrustsIsTaken) {
    // The TSA's chain builds from the user's stores, so only the policy's
    // trust tree decides.
    testkit::addToUserStore(u"CA", hierarchy().qualifiedCa.certificate);
    Tsa tsa(hierarchy());
    PolicySigner signer;
    signer.SetCfgLanguageNumber(2);
    signer.SetTimeStampServer(tsa.url(), {});
    testkit::policy::SignaturePolicy policy;
    policy.tsaTrust = {hierarchy().untrustedRoot.certificate};
    signer.setPolicy(testkit::policy::encode(policy));
    std::vector<BYTE> stamped;
    EXPECT_EQ(905, stamp(signer, stamped));
    EXPECT_TRUE(stamped.empty());

    policy.tsaTrust = {hierarchy().root.certificate};
    signer.setPolicy(testkit::policy::encode(policy));
    ASSERT_EQ(0, stamp(signer, stamped)) << signer.GetLastErrorStr();
    expectPeersAccept(stamped);
}

TEST_F(SignerTimeStamp, BrokenTransfersAndMissingPiecesSendNothingOrReportTheirResultText) {
    // First, while the time-stamp library was never loaded in this process:
    // a module once loaded may stay mapped (the sanitize build keeps them).
    Tsa tsa(hierarchy());
    {
        const ScopedEnv nowhere("PLATFORM_MODULE_PATH", "/nonexistent");
        EXPECT_EQ(718, stampFrom(tsa.url()));
    }
    EXPECT_EQ(0u, tsa.requests());

    testkit::HttpServer server;
    server.route("/missing", testkit::HttpReply::text(404, "no"));
    server.route("/page", testkit::HttpReply::text(200, "<html/>", "text/html"));
    EXPECT_EQ(751, stampFrom(server.url("/missing")));
    EXPECT_EQ(0u, m_lastText.find("Error while communication with the TSA server.\n" + server.url("/missing") +
                                  ", status: -3\nHTTP status: 404"))
        << m_lastText;
    EXPECT_EQ(751, stampFrom(server.url("/page")));
    EXPECT_NE(std::string::npos, m_lastText.find("Wrong Content-Type in HTTP reply.")) << m_lastText;

    std::string refusedUrl;
    {
        const testkit::HttpServer gone;
        refusedUrl = gone.url("/tsa");
    }
    EXPECT_EQ(751, stampFrom(refusedUrl));
    EXPECT_EQ(0u, m_lastText.find("Error while communication with the TSA server.\n" + refusedUrl + ", status: "))
        << m_lastText;

    std::vector<BYTE> untouched{1, 2, 3};
    EXPECT_EQ(kErrBadValue, TSigner().AddTimeStamp(0, {}, untouched));
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), untouched);
}

TEST_F(SignerTimeStamp, HttpsServersMustProveThemselvesAndGetTheClientCertificateOnlyWhenPreset) {
    {
        const testkit::PlatformRoot stranger;  // its user trusts no testkit root
        Tsa tsa(hierarchy(), {.https = true});
        EXPECT_EQ(751, stampFrom(tsa.url()));
        EXPECT_EQ(0u, tsa.requests());
    }

    Tsa guarded(hierarchy(), {.https = true, .clientCa = hierarchy().root.certificate});
    EXPECT_EQ(3015, stampFrom(guarded.url()));
    EXPECT_EQ("The default TSA server authentication certificate is not set.", m_lastText);

    testkit::TestCsp csp(testkit::CspKind::Software, m_root, u"tsa-client");
    PCCERT_CONTEXT client = csp.certificateWithKey("TSA Client", hierarchy().standardCa);
    testkit::addToUserStore(u"MY", client);
    CertInfo remembered;
    ASSERT_TRUE(TCryptoapi::GetCertInfo(client, remembered));
    CertFreeCertificateContext(client);
    TCertManager lists;
    lists.SetBaseKey("Software\\Tesk\\tesksign\\certs");
    ASSERT_TRUE(lists.AddCertificate(4, remembered, true));

    EXPECT_EQ(0, stampFrom(guarded.url())) << m_lastText;
    EXPECT_EQ(1u, guarded.requests());
}

}  // namespace
