// Opening messages with TPkcs7: attached and detached, the second pass
// through a provider that knows SHA-256, copies, and the error numbers of
// damaged and hostile messages.
#include <gtest/gtest.h>

#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/pkcs7.h"
#include "pkcs7_fixtures.h"
#include "win32/crypt_provider.h"

using namespace pkcs7_test;

namespace {

class Pkcs7Open : public Pkcs7Test {};

// The attached message with its SHA-256 digest algorithm renamed to an OID
// that names no algorithm, in both places it occurs.
Bytes unknownDigest() {
    Bytes message = samples().attached;
    const Bytes sha256 = oid(kSha256);
    const Bytes unknown = oid("2.16.840.1.101.3.4.2.127");
    for (auto at = message.begin();
         (at = std::search(at, message.end(), sha256.begin(), sha256.end())) != message.end();)
        at = std::copy(unknown.begin(), unknown.end(), at);
    return message;
}

bool logHas(const std::string& text) {
    std::vector<std::string> lines;
    TLogStrVect::Instance()->GetAll(lines);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
}

}  // namespace

TEST_F(Pkcs7Open, AttachedMessageGivesItsContentAndEncoding) {
    const Samples& s = samples();
    TPkcs7 reader;
    ASSERT_EQ(0u, reader.Open(s.attached));
    DWORD count = 0;
    EXPECT_EQ(0u, reader.GetSignerCount(count));
    EXPECT_EQ(1u, count);
    std::vector<BYTE> encoded, content;
    EXPECT_EQ(0u, reader.GetEncodedMessage(encoded));
    EXPECT_EQ(s.attached, encoded);
    EXPECT_EQ(0u, reader.GetContent(content));
    EXPECT_EQ(s.content, content);
    TCryptProvider none;
    EXPECT_EQ(0, reader.GetProvider(none));  // the caller's provider sufficed
}

TEST_F(Pkcs7Open, DetachedMessageNeedsItsContent) {
    const Samples& s = samples();
    TPkcs7 reader;
    EXPECT_EQ(30u, reader.Open(s.detached, 0, 1));
    DWORD count = 0;
    EXPECT_EQ(504u, reader.GetSignerCount(count));  // a failed open leaves nothing open
    ASSERT_EQ(0u, reader.Open(s.detached, 0, 1, s.content));
    EXPECT_EQ(0u, reader.GetSignerCount(count));
    std::vector<BYTE> content{0xEE};
    EXPECT_EQ(0u, reader.GetContent(content));
    EXPECT_EQ(Bytes{0xEE}, content);  // the message holds none
}

TEST_F(Pkcs7Open, SecondPassUsesAProviderThatKnowsSha256) {
    const Samples& s = samples();
    TLogStrVect::Instance()->SetMask(sgLogLevelMsgs);
    HCRYPTPROV strong = 0;  // the XP default: SHA-1 only
    ASSERT_TRUE(CryptAcquireContextA(&strong, nullptr, MS_STRONG_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    TCryptProvider expected;
    ASSERT_EQ(1u, TCryptoapi::FindProviderForAlg(CALG_SHA_256, expected));

    TPkcs7 reader;
    EXPECT_EQ(0u, reader.Open(s.attached, strong));
    CryptReleaseContext(strong, 0);
    EXPECT_TRUE(logHas("TPkcs7::Open(): using provider '" + expected.GetName() + "'"));
    TCryptProvider chosen;
    ASSERT_EQ(1, reader.GetProvider(chosen));
    EXPECT_EQ(expected.GetName(), chosen.GetName());
    EXPECT_EQ(expected.GetType(), chosen.GetType());

    // A copy shares the message and holds a provider of its own.
    std::vector<TPkcs7> copies{reader};
    reader.Close();
    DWORD count = 0;
    EXPECT_EQ(504u, reader.GetSignerCount(count));
    EXPECT_EQ(0u, copies[0].GetSignerCount(count));
    EXPECT_EQ(1u, count);
    TCryptProvider copied;
    ASSERT_EQ(1, copies[0].GetProvider(copied));
    EXPECT_EQ(expected.GetName(), copied.GetName());
    TLogStrVect::ReleaseInstance();
}

// A failed open leaves nothing open: every question then gives 504.
TEST_F(Pkcs7Open, DamagedMessagesGiveTheirErrorNumbers) {
    const Samples& s = samples();
    TPkcs7 reader;
    for (std::size_t size : {std::size_t{0}, std::size_t{2}, s.attached.size() / 2, s.attached.size() - 1})
        EXPECT_EQ(32u, reader.Open(Bytes(s.attached.begin(), s.attached.begin() + static_cast<long>(size)))) << size;
    EXPECT_EQ(32u, reader.Open(bytesOf("not a message")));                    // wrong tag
    EXPECT_EQ(503u, reader.Open(s.enveloped));                                // not signed data
    EXPECT_EQ(503u, reader.Open(Bytes{0x30, 0x80, 0x06, 0x00, 0x00, 0x00}));  // an empty OID
    EXPECT_EQ(1024u, reader.Open(unknownDigest()));

    DWORD count = 0;
    std::vector<BYTE> bytes;
    std::string text;
    SignPolicyId policy;
    CertInfo info;
    EXPECT_EQ(504u, reader.GetSignerCount(count));
    EXPECT_EQ(504u, reader.GetEncodedMessage(bytes));
    EXPECT_EQ(504u, reader.GetSignerHashAlgOid(0, text));
    EXPECT_EQ(504u, reader.GetSignerSigningCertHash(0, text, 1));
    EXPECT_EQ(504u, reader.GetSignerPolicyId(0, policy));
    EXPECT_EQ(504u, reader.GetSignerCertificate(0, info, nullptr));
}
