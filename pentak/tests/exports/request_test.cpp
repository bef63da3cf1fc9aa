// A key and a PKCS#10 request made through the exported functions alone, in
// the session's code page, judged by openssl.
#include <ctime>
#include <string>

#include "exported_library.h"
#include "platform/owned.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/crypt_store.h"

namespace {

using namespace pentak_test;

constexpr HRESULT kContainerExists = HRESULT_OF(0x8009000Fu);  // NTE_EXISTS
constexpr HRESULT kNoKey = HRESULT_OF(0x80090001u);            // NTE_BAD_UID: no open key
// "kůň" in Windows-1250.
constexpr char kContainer1250[] = "k\xF9\xF2";

#define CALL(name) PENTAK_FUNCTION(library, name)

class ExportedRequest : public PentakExports {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    }
    void TearDown() override { CALL(Pentak_UnInitialize)(); }

    // What `openssl req` says of the request: whether it verifies, its
    // subject one attribute a line, and its text.
    struct Judged {
        bool verified = false;
        std::string subject, text;
    };
    Judged judge(const std::string& base64) const {
        root.write("request.pem",
                   "-----BEGIN CERTIFICATE REQUEST-----\n" + base64 + "-----END CERTIFICATE REQUEST-----\n");
        const auto printed = testkit::run({"openssl", "req", "-in", "request.pem", "-verify", "-noout", "-text",
                                           "-subject", "-nameopt", "utf8,sep_multiline,sname"},
                                          root.path());
        return {printed.exitCode == 0 && printed.err.find("verify OK") != std::string::npos,
                printed.out.substr(printed.out.rfind("subject=")), printed.out};
    }
};

TEST_F(ExportedRequest, AKeyAndItsSignedRequestInTheSessionsCodePage) {
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
    ASSERT_EQ(S_OK, CALL(Pentak_SetContainerName)(kContainer1250));
    ASSERT_EQ(S_OK, CALL(Pentak_SetGenKeyFlags)(1024 << 16));
    ASSERT_EQ(S_OK, CALL(Pentak_KeyGenerate)());
    EXPECT_EQ(kContainerExists, CALL(Pentak_KeyGenerate)()) << "the provider's own error";
    ASSERT_EQ(S_OK, CALL(Pentak_KeySelect)());
    EXPECT_EQ(kContainer1250, narrowText(CALL(Pentak_GetProviderContainerName)));

    ASSERT_EQ(S_OK, CALL(Pentak_SetAttributeStringType)(13));
    ASSERT_EQ(S_OK, CALL(Pentak_AddSubjectAttribute)("2.5.4.3", kHorse1250));
    ASSERT_EQ(S_OK, CALL(Pentak_AddSubjectAttributeW)(u"2.5.4.10", u"Pošta a.s."));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_AddSubjectAttribute)("CN", "x")) << "no OID";
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_AddSubjectAttributeW)(u"2.5.4.\u0416", u"x")) << "no ANSI text";
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(65001));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_AddSubjectAttribute)("2.5.4.7", kHorse1250)) << "no UTF-8";
    ASSERT_EQ(S_OK, CALL(Pentak_AddSubjectAttribute)("2.5.4.7", "Kon\xC4\x9Bprusy"));
    ASSERT_EQ(S_OK, CALL(Pentak_RequestedExtension_KeyUsage_SetBit)(0));
    ASSERT_EQ(S_OK, CALL(Pentak_RequestedExtension_ExtKeyUsage_AddOid)("1.3.6.1.5.5.7.3.4"));
    ASSERT_EQ(S_OK, CALL(Pentak_RequestedExtension_SubjectAltName_Add)(2, "jan.kun@example.cz"));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_RequestedExtension_KeyUsage_SetBit)(-1));
    EXPECT_EQ(kInvalidParameter, CALL(X509MergeSubjectToPersonalReqTesk)(nullptr, nullptr, nullptr, nullptr, nullptr));

    DWORD length = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(nullptr, &length));
    std::string request(length, '#');
    ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(request.data(), &length));
    ASSERT_EQ(request.size(), length) << "a second request of the same key is as long";
    request.pop_back();

    const Judged judged = judge(request);
    EXPECT_TRUE(judged.verified) << judged.text;
    EXPECT_EQ("subject=\n    CN=\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88\n"
              "    O=Po\xC5\xA1ta a.s.\n    L=Kon\xC4\x9Bprusy\n",
              judged.subject);
    EXPECT_NE(std::string::npos, judged.text.find("Digital Signature"));
    EXPECT_NE(std::string::npos, judged.text.find("E-mail Protection"));
    EXPECT_NE(std::string::npos, judged.text.find("email:jan.kun@example.cz"));
}

// The pending copies of requests in the user's REQUEST store.
int pendingRequests() {
    const platform::Owned<void, closeStore> store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"REQUEST"));
    int count = 0;
    for (PCCERT_CONTEXT c = nullptr; store && (c = CertEnumCertificatesInStore(store.get(), c));) ++count;
    return count;
}

TEST_F(ExportedRequest, TheSizeQueryMakesTheRequestAndTheCallAfterItHandsOutThatOne) {
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
    ASSERT_EQ(S_OK, CALL(Pentak_SetContainerName)("once"));
    ASSERT_EQ(S_OK, CALL(Pentak_SetGenKeyFlags)(1024 << 16));
    ASSERT_EQ(S_OK, CALL(Pentak_KeyGenerate)());
    ASSERT_EQ(S_OK, CALL(Pentak_KeySelect)());
    ASSERT_EQ(S_OK, CALL(Pentak_SetAttributeStringType)(13));
    ASSERT_EQ(S_OK, CALL(Pentak_AddSubjectAttribute)("2.5.4.3", kHorse1250));

    DWORD length = 0;
    std::string request;
    const long long now = std::time(nullptr);
    {
        // The two calls fall in different seconds, as a user's may.
        const ScopedEnv first("PLATFORM_CLOCK", std::to_string(now));
        ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(nullptr, &length));
        request.assign(length, '#');
        const ScopedEnv second("PLATFORM_CLOCK", std::to_string(now + 7));
        ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(request.data(), &length));
    }
    EXPECT_EQ(1, pendingRequests()) << "one request made, one pending copy";
    request.pop_back();
    EXPECT_TRUE(judge(request).verified);

    const ScopedEnv later("PLATFORM_CLOCK", std::to_string(now + 20));
    std::string again(length + 100, '#');
    DWORD room = static_cast<DWORD>(again.size());
    ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(again.data(), &room));
    EXPECT_EQ(2, pendingRequests()) << "a call that follows no size query makes its own request";

    // A size query's request stays with its session: the next session,
    // which has no key, makes none and is handed none.
    ASSERT_EQ(S_OK, CALL(Pentak_CreatePKCS10)(nullptr, &length));
    ASSERT_EQ(S_OK, CALL(Pentak_UnInitialize)());
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    const std::string untouched(length + 100, '#');
    std::string fresh = untouched;
    room = static_cast<DWORD>(fresh.size());
    EXPECT_EQ(kNoKey, CALL(Pentak_CreatePKCS10)(fresh.data(), &room));
    EXPECT_EQ(untouched, fresh);
}

}  // namespace
