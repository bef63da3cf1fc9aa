// The session's key lists over the provider's pending requests: which
// requests count, how they are selected, and the texts they give.
#include <gtest/gtest.h>

#include <string>

#include "common/cryptoapi.h"
#include "display_name.h"
#include "enroll.h"
#include "known_providers.h"
#include "pentak_support.h"
#include "stores.h"
#include "testkit/platform_root.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kProvider[] = u"Pentak Test CSP";
constexpr char16_t kSha1[] = u"1.3.14.3.2.26";

void addToStore(const char16_t* store, const pki::Certificate& certificate, const char16_t* provider,
                const char16_t* container) {
    const OwnedCertContext withKey =
        CertificateWithKey(certificate.der(), CertKeyInfo{{}, provider, PROV_RSA_FULL, container, AT_KEYEXCHANGE});
    const OwnedCertStore opened = OpenUserStore(store);
    ASSERT_TRUE(withKey && opened);
    ASSERT_TRUE(CertAddCertificateContextToStore(opened.get(), withKey.get(), CERT_STORE_ADD_ALWAYS, nullptr));
}

// The SHA-1 key identifier the certificate carries, as the lists write hashes.
std::u16string keyHash(const pki::Certificate& certificate) {
    std::vector<BYTE> keyId;
    EXPECT_TRUE(TCryptoapi::GetKeyIdentifiers(contextOf(certificate).get(), kSubjectKeyId, keyId));
    return HexText(keyId.data(), static_cast<DWORD>(keyId.size()), kHexGroupSizeGiven);
}

TEST(PendingRequestKeys, RequestsOfTheProviderWithoutACertificateAreListed) {
    testkit::PlatformRoot machine;
    const pki::Certificate& first = hierarchy().commercial.certificate;
    const pki::Certificate& second = hierarchy().qualified.certificate;
    addToStore(kStoreRequest, first, kProvider, u"first");
    addToStore(kStoreRequest, hierarchy().tsa.certificate, u"Other CSP", u"other");
    addToStore(kStoreRequest, second, kProvider, u"\\\\.\\Reader 1\\second");
    CEnroll session;
    session.SetProviderName(kProvider);

    std::u16string text;
    ASSERT_EQ(0u, session.EnumContainers(-1, FALSE, text));
    EXPECT_EQ(u"first|second", text);
    ASSERT_EQ(0u, session.EnumContainers(1, FALSE, text));
    EXPECT_EQ(u"second", text);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), session.EnumContainers(2, FALSE, text));
    EXPECT_EQ(u"second", text);

    ASSERT_EQ(0u, session.GetPubKeyHashList(kSha1, FALSE, FALSE, text));
    EXPECT_EQ(keyHash(first) + u"|" + keyHash(second), text);
    EXPECT_EQ(base64Of(first.der()) + u"|" + base64Of(second.der()), session.GetCertificate());
    ASSERT_EQ(0u, session.GetPubKeyHashContainer(u"second", kSha1, FALSE, FALSE, text));
    EXPECT_EQ(keyHash(second), text);
    EXPECT_EQ(base64Of(second.der()), session.GetCertificate());
    ASSERT_EQ(0u, session.EnumPubKeyHash(0, u"2.16.840.1.101.3.4.2.1", FALSE, FALSE, text));
    EXPECT_EQ(64u, text.size());

    // Wrong arguments leave the last certificate text; a hash OID without an
    // algorithm, or nothing selected, clears it.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), session.GetPubKeyHashList(u"", FALSE, FALSE, text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              session.GetPubKeyHashContainer(u"", kSha1, FALSE, FALSE, text));
    EXPECT_EQ(base64Of(first.der()), session.GetCertificate());
    EXPECT_EQ(static_cast<DWORD>(NTE_FAIL), session.GetPubKeyHashList(u"1.2.3.4", FALSE, FALSE, text));
    EXPECT_FALSE(session.GetCertificate());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS),
              session.GetPubKeyHashContainer(u"other", kSha1, FALSE, FALSE, text));

    // A certificate in "MY" for its key ends a request.
    addToStore(kStorePersonal, first, kProvider, u"first");
    ASSERT_EQ(0u, session.EnumContainers(-1, FALSE, text));
    EXPECT_EQ(u"second", text);

    // The session's CSP store is empty until it is loaded.
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), session.EnumContainers(0, TRUE, text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), session.GetPubKeyHashList(kSha1, TRUE, TRUE, text));
}

}  // namespace
