// The user's stores: what adding a certificate again keeps, where each kind
// of certificate goes, where a certificate's key is found, and the views
// that need CryptUI.
#include <gtest/gtest.h>

#include "cert_key_lookup.h"
#include "cert_view.h"
#include "common/cryptoapi.h"
#include "key_records.h"
#include "known_providers.h"
#include "pentak_support.h"
#include "stores.h"
#include "testkit/platform_root.h"
#include "win32/crypt_oid.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

// The friendly name of the store's copy of the certificate; empty when it
// has none or is not there.
std::u16string friendlyName(const char16_t* store, const pki::Certificate& certificate) {
    TCryptoapi api;
    const OwnedCertContext copy(api.FindCertInSystemStore(store, wide(certificate.pem())));
    DWORD size = 0;
    if (!copy || !CertGetCertificateContextProperty(copy.get(), CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size)) return {};
    std::u16string name(size / sizeof(char16_t), u'\0');
    CertGetCertificateContextProperty(copy.get(), CERT_FRIENDLY_NAME_PROP_ID, name.data(), &size);
    return name.c_str();
}

void setFriendlyName(const char16_t* store, const pki::Certificate& certificate, std::u16string name) {
    TCryptoapi api;
    const OwnedCertContext copy(api.FindCertInSystemStore(store, wide(certificate.pem())));
    ASSERT_TRUE(copy);
    CRYPT_DATA_BLOB value{static_cast<DWORD>((name.size() + 1) * sizeof(char16_t)), reinterpret_cast<BYTE*>(name.data())};
    ASSERT_TRUE(CertSetCertificateContextProperty(copy.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &value));
}

bool inStore(const char16_t* store, const pki::Certificate& certificate) {
    TCryptoapi api;
    return OwnedCertContext(api.FindCertInSystemStore(store, wide(certificate.pem()))) != nullptr;
}

TEST(AddToSystemStore, CaStoresKeepWhatWasSaidOfACertificateOtherStoresReplaceIt) {
    testkit::PlatformRoot machine;
    const auto& h = hierarchy();
    TCryptoapi api;
    for (const auto& [store, certificate] :
         {std::pair{kStoreCa, &h.standardCa.certificate}, std::pair{kStorePersonal, &h.commercial.certificate}}) {
        ASSERT_TRUE(api.AddToSystemStore(contextOf(*certificate).get(), store));
        setFriendlyName(store, *certificate, u"Named by the user");
        ASSERT_TRUE(api.AddToSystemStore(contextOf(*certificate).get(), store));
    }
    EXPECT_EQ(u"Named by the user", friendlyName(kStoreCa, h.standardCa.certificate));
    EXPECT_EQ(u"", friendlyName(kStorePersonal, h.commercial.certificate));
    EXPECT_TRUE(inStore(kStorePersonal, h.commercial.certificate));
}

TEST(AddToStoreByKind, RootsCasKeyedAndOtherCertificatesEachGoToTheirStore) {
    testkit::PlatformRoot machine;
    const auto& h = hierarchy();
    TCryptoapi api;
    ASSERT_TRUE(api.AddToStoreByKind(h.root.certificate.der(), {}, 4));
    ASSERT_TRUE(api.AddToStoreByKind(h.qualifiedCa.certificate.der(), {}, 4));
    EXPECT_TRUE(inStore(kStoreRoot, h.root.certificate));
    EXPECT_FALSE(inStore(kStoreCa, h.root.certificate));
    EXPECT_TRUE(inStore(kStoreCa, h.qualifiedCa.certificate));
    EXPECT_FALSE(inStore(kStoreRoot, h.qualifiedCa.certificate));

    EXPECT_FALSE(api.AddToStoreByKind(h.commercial.certificate.der(), {}, 1));
    EXPECT_EQ(static_cast<DWORD>(NTE_NO_KEY), api.GetLastErrorCode());
    EXPECT_FALSE(inStore(kStorePersonal, h.commercial.certificate));
    CertKeyInfo key;
    key.provider = u"Zintra CSP";
    key.providerType = PROV_RSA_FULL;
    key.container = u"\\\\.\\Reader 0\\pentak";
    key.keySpec = AT_SIGNATURE;
    ASSERT_TRUE(api.AddToStoreByKind(h.commercial.certificate.der(), key, 1));
    CertKeyInfo stored;
    const OwnedCertContext copy(api.FindCertInSystemStore(kStorePersonal, wide(h.commercial.certificate.pem())));
    ASSERT_TRUE(TCryptoapi::GetCertKeyInfo(copy.get(), stored));
    EXPECT_EQ(key.container, stored.container);
    EXPECT_EQ(key.provider, stored.provider);
    EXPECT_EQ(key.keySpec, stored.keySpec);

    ASSERT_TRUE(api.AddToStoreByKind(h.qualified.certificate.der(), {}, 2));
    EXPECT_TRUE(inStore(kStoreAddressBook, h.qualified.certificate));
}

TEST(InstallCertificates, CaCertificatesGoToTheirStoresAndOnlyCardProvidersTakeUserCertificates) {
    testkit::PlatformRoot machine;
    const auto& h = hierarchy();
    const std::vector<std::vector<BYTE>> user = {h.commercial.certificate.der()};
    TCryptoapi api;
    EXPECT_FALSE(api.InstallCertificates(user, {}, u"", 4));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), api.GetLastErrorCode());
    EXPECT_FALSE(api.InstallCertificates(user, {}, kAesProvider, 4));
    EXPECT_EQ(ERROR_NOT_SUPPORTED, api.GetLastErrorCode());

    ASSERT_TRUE(api.InstallCertificates(user, {h.root.certificate.der(), h.standardCa.certificate.der()}, u"", 8));
    EXPECT_TRUE(inStore(kStoreRoot, h.root.certificate));
    EXPECT_TRUE(inStore(kStoreCa, h.standardCa.certificate));
    EXPECT_FALSE(inStore(kStorePersonal, h.commercial.certificate));
}

TEST(FindCertKeyInStores, TheCspStoreFirstThenPendingRequestsThenPersonalCertificates) {
    testkit::PlatformRoot machine;
    const auto& certificate = hierarchy().commercial.certificate;
    const auto keyIn = [&](const char16_t* store, const char16_t* container) {
        TCryptoapi api;
        CertKeyInfo key;
        key.provider = kAesProvider;
        key.providerType = PROV_RSA_AES;
        key.container = container;
        key.keySpec = AT_KEYEXCHANGE;
        ASSERT_TRUE(api.AddToSystemStore(CertificateWithKey(certificate.der(), key).get(), store));
    };
    CertKeyInfo found;
    SetLastError(1234);
    EXPECT_FALSE(FindCertKeyInStores(certificate.der(), {}, found));
    EXPECT_EQ(1234u, GetLastError());
    keyIn(kStorePersonal, u"personal");
    keyIn(kStoreRequest, u"pending");
    SetLastError(1234);
    ASSERT_TRUE(FindCertKeyInStores(certificate.der(), {}, found));
    EXPECT_EQ(u"pending", found.container);
    EXPECT_EQ(1234u, GetLastError());

    CspStoreEntry entry;
    entry.keys.emplace_back();
    entry.keys.back().certificate = certificate.der();
    entry.keys.back().info.container = u"on the card";
    ASSERT_TRUE(FindCertKeyInStores(certificate.der(), {entry}, found));
    EXPECT_EQ(u"on the card", found.container);
}

TEST(CertificateDescription, NetscapeCommentAndKeyFromText) {
    const auto commented = pki::CertificateBuilder()
                               .subject({{"CN", "Pentak commented"}})
                               .extension({szOID_NETSCAPE_COMMENT, false, {0x16, 0x05, 'h', 'e', 'l', 'l', 'o'}})
                               .build();
    std::u16string comment = u"untouched";
    EXPECT_FALSE(TCryptoapi::GetNetscapeComment(contextOf(hierarchy().commercial.certificate).get(), comment));
    EXPECT_EQ(u"untouched", comment);
    ASSERT_TRUE(TCryptoapi::GetNetscapeComment(contextOf(commented.certificate).get(), comment));
    EXPECT_EQ(u"hello", comment);

    CertKeyInfo key;
    ASSERT_TRUE(TCryptoapi::GetCertKeyInfoFromText(wide(commented.certificate.pem()), key));
    EXPECT_EQ("Pentak commented", key.certificate.subjectSimpleName);
    EXPECT_FALSE(key.NamesKey());
    EXPECT_FALSE(TCryptoapi::GetCertKeyInfoFromText(u"-----BEGIN CERTIFICATE-----\nAAAA\n", key));
}

TEST(ViewCertificate, WithoutCryptUiNothingIsShown) {
    testkit::PlatformRoot machine;
    const auto context = contextOf(hierarchy().commercial.certificate);
    EXPECT_FALSE(TCryptoapi::ViewCertificate(context.get(), nullptr));
    EXPECT_FALSE(TCryptoapi::ViewCertificate(PCCERT_CONTEXT{}, nullptr));
    EXPECT_FALSE(ViewCertificateText(wide(hierarchy().commercial.certificate.pem()), nullptr));
    EXPECT_FALSE(ViewCertificateText(u"not a certificate", nullptr));
}

}  // namespace
