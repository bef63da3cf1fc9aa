// Adding with each disposition, finding with each find type, deleting,
// collections, stores filled from a PKCS #7 bundle, and CRLs.
#include <cstring>
#include <tuple>

#include "store_fixture.h"
#include "testkit/growth.h"
#include "win32/crypt_msg.h"
#include "win32/crypt_names.h"
#include "win32/crypt_provider.h"

using namespace store_test;

namespace {

Cert named(const Bytes& der, const std::u16string& name) {
    Cert cert = certOf(der);
    const CRYPT_DATA_BLOB blob = textBlob(name.c_str());
    EXPECT_TRUE(CertSetCertificateContextProperty(cert.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
    return cert;
}

BOOL addContext(HCERTSTORE store, PCCERT_CONTEXT cert, DWORD disposition) {
    return CertAddCertificateContextToStore(store, cert, disposition, nullptr);
}

Cert findIn(HCERTSTORE store, DWORD type, const void* para) {
    return Cert(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, type, para, nullptr));
}

Bytes encodingOf(PCCERT_CONTEXT c) { return c ? Bytes(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded) : Bytes(); }

Store storeWith(std::initializer_list<const Bytes*> certs) {
    Store store = memoryStore();
    for (const Bytes* der : certs)
        EXPECT_TRUE(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der->data(),
                                                     static_cast<DWORD>(der->size()), CERT_STORE_ADD_ALWAYS, nullptr));
    return store;
}

// A SignedData without signers holding the certificates and CRLs.
Bytes bundleOf(const std::vector<Bytes>& certificates, const std::vector<Bytes>& crls) {
    std::vector<CRYPT_DATA_BLOB> certBlobs, crlBlobs;
    for (const Bytes& der : certificates) certBlobs.push_back(crypt_test::blobOf(der));
    for (const Bytes& der : crls) crlBlobs.push_back(crypt_test::blobOf(der));
    CMSG_SIGNED_ENCODE_INFO info{sizeof info,        0, nullptr, static_cast<DWORD>(certBlobs.size()), certBlobs.data(),
                                 static_cast<DWORD>(crlBlobs.size()), crlBlobs.data()};
    const HCRYPTMSG msg =
        CryptMsgOpenToEncode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CMSG_SIGNED, &info, nullptr, nullptr);
    EXPECT_TRUE(msg && CryptMsgUpdate(msg, nullptr, 0, TRUE)) << std::hex << GetLastError();
    DWORD size = 0;
    EXPECT_TRUE(CryptMsgGetParam(msg, CMSG_CONTENT_PARAM, 0, nullptr, &size));
    Bytes bundle(size);
    EXPECT_TRUE(CryptMsgGetParam(msg, CMSG_CONTENT_PARAM, 0, bundle.data(), &size));
    CryptMsgClose(msg);
    return bundle;
}

}  // namespace

TEST_F(StoreTest, DispositionsDecideBetweenTheNewAndTheExistingCertificate) {
    const Store store = memoryStore();
    const Cert first = named(pki().user, u"first");
    const Cert second = named(pki().user, u"second");
    ASSERT_TRUE(addContext(store.get(), first.get(), CERT_STORE_ADD_NEW));

    EXPECT_FALSE(addContext(store.get(), second.get(), CERT_STORE_ADD_NEW));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_EXISTS), GetLastError());
    EXPECT_FALSE(addContext(store.get(), second.get(), CERT_STORE_ADD_NEWER)) << "NotBefore is the same";
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_EXISTS), GetLastError());

    // USE_EXISTING keeps the one there and gives it the new properties.
    PCCERT_CONTEXT kept = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), second.get(), CERT_STORE_ADD_USE_EXISTING, &kept));
    EXPECT_EQ(u"second", friendlyName(kept));
    PCCERT_CONTEXT again = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), first.get(), CERT_STORE_ADD_USE_EXISTING, &again));
    EXPECT_EQ(kept, again) << "the same context of the store";
    CertFreeCertificateContext(again);

    // REPLACE_EXISTING puts a fresh copy in its place: properties of the new one only.
    const Cert plain = certOf(pki().user);
    const CRYPT_DATA_BLOB description = textBlob(u"kept?");
    ASSERT_TRUE(CertSetCertificateContextProperty(kept, CERT_DESCRIPTION_PROP_ID, 0, &description));
    ASSERT_TRUE(addContext(store.get(), plain.get(), CERT_STORE_ADD_REPLACE_EXISTING));
    Cert now(CertEnumCertificatesInStore(store.get(), nullptr));
    EXPECT_NE(kept, now.get());
    EXPECT_EQ(u"", friendlyName(now.get()));
    EXPECT_EQ(u"first", friendlyName(kept)) << "a replaced context stays readable";
    CertFreeCertificateContext(kept);

    // REPLACE_EXISTING_INHERIT_PROPERTIES keeps what the new one lacks.
    ASSERT_TRUE(addContext(store.get(), first.get(), CERT_STORE_ADD_REPLACE_EXISTING));
    const CRYPT_DATA_BLOB note = textBlob(u"note");
    now.reset(CertEnumCertificatesInStore(store.get(), nullptr));
    ASSERT_TRUE(CertSetCertificateContextProperty(now.get(), CERT_DESCRIPTION_PROP_ID, 0, &note));
    ASSERT_TRUE(addContext(store.get(), second.get(), CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES));
    now.reset(CertEnumCertificatesInStore(store.get(), nullptr));
    EXPECT_EQ(u"second", friendlyName(now.get()));
    DWORD size = 0;
    EXPECT_TRUE(CertGetCertificateContextProperty(now.get(), CERT_DESCRIPTION_PROP_ID, nullptr, &size));

    // ALWAYS makes a duplicate.
    ASSERT_TRUE(addContext(store.get(), first.get(), CERT_STORE_ADD_ALWAYS));
    EXPECT_EQ(2u, certificatesIn(store.get()).size());
    EXPECT_FALSE(addContext(store.get(), first.get(), 99));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST_F(StoreTest, EnumerationFreesThePreviousContextAndGoesOnPastADeletedOne) {
    const Store store = storeWith({&pki().root, &pki().ca, &pki().user});
    PCCERT_CONTEXT first = CertEnumCertificatesInStore(store.get(), nullptr);
    PCCERT_CONTEXT keep = CertDuplicateCertificateContext(first);
    PCCERT_CONTEXT second = CertEnumCertificatesInStore(store.get(), first);  // frees one reference of first
    EXPECT_EQ(pki().ca, encodingOf(second));
    ASSERT_TRUE(CertDeleteCertificateFromStore(CertDuplicateCertificateContext(second)));
    PCCERT_CONTEXT third = CertEnumCertificatesInStore(store.get(), second);
    EXPECT_EQ(pki().user, encodingOf(third));
    EXPECT_FALSE(CertEnumCertificatesInStore(store.get(), third));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    EXPECT_EQ(pki().root, encodingOf(keep));
    CertFreeCertificateContext(keep);
    EXPECT_EQ((std::vector<Bytes>{pki().root, pki().user}), certificatesIn(store.get()));

    // A context of another store cannot lead an enumeration.
    const Store other = storeWith({&pki().ca});
    EXPECT_FALSE(CertEnumCertificatesInStore(store.get(), CertEnumCertificatesInStore(other.get(), nullptr)));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST_F(StoreTest, ArchivedCertificatesAreHiddenUnlessAsked) {
    const Store store = storeWith({&pki().root, &pki().user});
    BYTE none = 0;
    CRYPT_DATA_BLOB empty{0, &none};
    const Cert root = findIn(store.get(), CERT_FIND_ANY, nullptr);
    ASSERT_TRUE(CertSetCertificateContextProperty(root.get(), CERT_ARCHIVED_PROP_ID, 0, &empty));
    EXPECT_EQ(std::vector<Bytes>{pki().user}, certificatesIn(store.get()));
    EXPECT_EQ(pki().user, encodingOf(findIn(store.get(), CERT_FIND_ANY, nullptr).get()));
}

TEST_F(StoreTest, EveryFindTypeFindsItsCertificate) {
    const Store store = storeWith({&pki().root, &pki().ca, &pki().user, &pki().noCommonName});
    const Cert user = certOf(pki().user);
    const Cert ca = certOf(pki().ca);
    auto expectFound = [&](DWORD type, const void* para, const Bytes& wanted) {
        EXPECT_EQ(wanted, encodingOf(findIn(store.get(), type, para).get())) << "find type 0x" << std::hex << type;
    };
    const Bytes sha1 = crypt_test::fromHex(pki().userSha1);
    const Bytes md5 = crypt_test::fromHex(pki().userMd5);
    const Bytes keyId = crypt_test::fromHex(pki().userKeyId);
    CRYPT_HASH_BLOB sha1Blob = crypt_test::blobOf(sha1), md5Blob = crypt_test::blobOf(md5),
                    keyIdBlob = crypt_test::blobOf(keyId);
    expectFound(CERT_FIND_ANY, nullptr, pki().root);
    expectFound(CERT_FIND_SHA1_HASH, &sha1Blob, pki().user);
    expectFound(CERT_FIND_HASH, &sha1Blob, pki().user);
    expectFound(CERT_FIND_MD5_HASH, &md5Blob, pki().user);
    expectFound(CERT_FIND_KEY_IDENTIFIER, &keyIdBlob, pki().user);
    expectFound(CERT_FIND_SUBJECT_NAME, &user->pCertInfo->Subject, pki().user);
    expectFound(CERT_FIND_ISSUER_NAME, &user->pCertInfo->Issuer, pki().user);
    expectFound(CERT_FIND_ISSUER_NAME, &ca->pCertInfo->Issuer, pki().root);  // the root issues itself first
    expectFound(CERT_FIND_SUBJECT_STR_W, u"jan NOVÁK", pki().user);
    expectFound(CERT_FIND_SUBJECT_STR_A, "tesk unit", pki().noCommonName);
    expectFound(CERT_FIND_ISSUER_STR_W, u"Test CA", pki().user);
    expectFound(CERT_FIND_ISSUER_STR_A, "TEST ROOT", pki().root);
    expectFound(CERT_FIND_PUBLIC_KEY, &ca->pCertInfo->SubjectPublicKeyInfo, pki().ca);
    expectFound(CERT_FIND_SUBJECT_CERT, user->pCertInfo, pki().user);
    expectFound(CERT_FIND_EXISTING, ca.get(), pki().ca);

    const Cert inStore = findIn(store.get(), CERT_FIND_EXISTING, user.get());
    char16_t container[] = u"c";
    CRYPT_KEY_PROV_INFO info{container, nullptr, PROV_RSA_FULL, 0, 0, nullptr, AT_KEYEXCHANGE};
    ASSERT_TRUE(CertSetCertificateContextProperty(inStore.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    DWORD exchange = AT_KEYEXCHANGE, signature = AT_SIGNATURE, provInfo = CERT_KEY_PROV_INFO_PROP_ID;
    expectFound(CERT_FIND_KEY_SPEC, &exchange, pki().user);
    expectFound(CERT_FIND_PROPERTY, &provInfo, pki().user);
    EXPECT_FALSE(findIn(store.get(), CERT_FIND_KEY_SPEC, &signature));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());

    // Matches after the previous one, and the ends of the search.
    PCCERT_CONTEXT byCa = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_STR_W,
                                                     u"Tesk Test CA", nullptr);
    EXPECT_EQ(pki().user, encodingOf(byCa));
    byCa = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_STR_W, u"Tesk Test CA", byCa);
    EXPECT_EQ(pki().noCommonName, encodingOf(byCa));
    EXPECT_FALSE(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_STR_W, u"Tesk Test CA",
                                            byCa));
    EXPECT_FALSE(findIn(store.get(), CERT_FIND_SHA1_HASH, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_FALSE(findIn(store.get(), 0x7777u << CERT_COMPARE_SHIFT, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());

    const Cert subject(CertGetSubjectCertificateFromStore(store.get(), X509_ASN_ENCODING, ca->pCertInfo));
    EXPECT_EQ(pki().ca, encodingOf(subject.get()));
}

TEST_F(StoreTest, CollectionsSearchTheirStoresAndAddToTheEnabledOne) {
    const Store first = storeWith({&pki().root});
    const Store second = storeWith({&pki().ca});
    const Store readOnly = Store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_READONLY_FLAG, nullptr));
    Store collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    ASSERT_TRUE(CertAddStoreToCollection(collection.get(), first.get(), 0, 1));
    ASSERT_TRUE(CertAddStoreToCollection(collection.get(), second.get(), CERT_PHYSICAL_STORE_ADD_ENABLE_FLAG, 2));
    EXPECT_EQ((std::vector<Bytes>{pki().ca, pki().root}), certificatesIn(collection.get())) << "higher priority first";

    ASSERT_TRUE(CertAddEncodedCertificateToStore(collection.get(), X509_ASN_ENCODING, pki().user.data(),
                                                 static_cast<DWORD>(pki().user.size()), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_EQ((std::vector<Bytes>{pki().ca, pki().user}), certificatesIn(second.get()));
    EXPECT_FALSE(CertAddStoreToCollection(first.get(), second.get(), 0, 0)) << "not a collection";
    EXPECT_FALSE(CertAddStoreToCollection(collection.get(), collection.get(), 0, 0));

    // A store added twice shows its certificates once, and enumeration ends.
    Store twice(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    ASSERT_TRUE(CertAddStoreToCollection(twice.get(), second.get(), 0, 0));
    ASSERT_TRUE(CertAddStoreToCollection(twice.get(), collection.get(), 0, 0));
    EXPECT_EQ((std::vector<Bytes>{pki().ca, pki().user, pki().root}), certificatesIn(twice.get()));

    // Found through the collection, deleted from the store that holds it.
    const Cert user = certOf(pki().user);
    ASSERT_TRUE(CertDeleteCertificateFromStore(
        CertFindCertificateInStore(collection.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, user.get(), nullptr)));
    EXPECT_EQ(std::vector<Bytes>{pki().ca}, certificatesIn(second.get()));

    // Its stores outlive their own handles while the collection holds them.
    HCERTSTORE kept = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    CertAddEncodedCertificateToStore(kept, X509_ASN_ENCODING, pki().noCommonName.data(),
                                     static_cast<DWORD>(pki().noCommonName.size()), CERT_STORE_ADD_NEW, nullptr);
    ASSERT_TRUE(CertAddStoreToCollection(collection.get(), kept, 0, 0));
    ASSERT_TRUE(CertCloseStore(kept, CERT_CLOSE_STORE_CHECK_FLAG));
    EXPECT_EQ(pki().noCommonName, certificatesIn(collection.get()).back());

    Store noAdds(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    ASSERT_TRUE(CertAddStoreToCollection(noAdds.get(), readOnly.get(), 0, 0));
    EXPECT_FALSE(CertAddEncodedCertificateToStore(noAdds.get(), X509_ASN_ENCODING, pki().user.data(),
                                                  static_cast<DWORD>(pki().user.size()), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), GetLastError());
}

TEST_F(StoreTest, Pkcs7BundleOpensAsAStoreOfItsCertificatesAndCrls) {
    CRYPT_DATA_BLOB bundle = crypt_test::blobOf(pki().bundle);
    const Store store(CertOpenStore(CERT_STORE_PROV_PKCS7, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &bundle));
    ASSERT_TRUE(store) << std::hex << GetLastError();
    EXPECT_EQ((std::vector<Bytes>{pki().ca, pki().user}), certificatesIn(store.get()));
    const Crl crl(CertEnumCRLsInStore(store.get(), nullptr));
    ASSERT_TRUE(crl);
    EXPECT_EQ(pki().crl, Bytes(crl->pbCrlEncoded, crl->pbCrlEncoded + crl->cbCrlEncoded));

    Bytes damaged = pki().bundle;
    damaged.resize(damaged.size() / 2);
    CRYPT_DATA_BLOB cut = crypt_test::blobOf(damaged);
    EXPECT_FALSE(CertOpenStore(CERT_STORE_PROV_PKCS7, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &cut));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), GetLastError());
    CRYPT_DATA_BLOB notSigned = crypt_test::blobOf(pki().user);
    EXPECT_FALSE(CertOpenStore(CERT_STORE_PROV_PKCS7, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &notSigned));
}

TEST_F(StoreTest, WalksOfABundleOfManyCertificatesAndCrlsTakeTimeThatGrowsWithTheirNumber) {
    EXPECT_TRUE(testkit::GrowsLinearly(
        [](std::size_t count) {
            const Bytes bundle = bundleOf(variantsOf(pki().user, count), variantsOf(pki().crl, count));
            CRYPT_DATA_BLOB blob = crypt_test::blobOf(bundle);
            auto store = std::make_shared<Store>(
                CertOpenStore(CERT_STORE_PROV_PKCS7, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &blob));
            EXPECT_TRUE(*store) << std::hex << GetLastError();
            return [store = std::move(store), count] {
                // Through a collection, as the chain engine walks its stores.
                const Store collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
                ASSERT_TRUE(CertAddStoreToCollection(collection.get(), store->get(), 0, 0));
                std::size_t certificates = 0, crls = 0, found = 0;
                for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(collection.get(), c));) ++certificates;
                for (PCCRL_CONTEXT c = nullptr; (c = CertEnumCRLsInStore(store->get(), c));) ++crls;
                const Cert user = certOf(pki().user);
                for (PCCERT_CONTEXT c = nullptr; (c = CertFindCertificateInStore(store->get(), X509_ASN_ENCODING, 0,
                                                                                 CERT_FIND_SUBJECT_NAME,
                                                                                 &user->pCertInfo->Subject, c));)
                    ++found;
                EXPECT_EQ(std::make_tuple(count, count, count), std::make_tuple(certificates, crls, found));
            };
        },
        10'000));
}

TEST_F(StoreTest, CrlsAreAddedByIssuerAndReplacedByNewerOnes) {
    const Crl older(CertCreateCRLContext(X509_ASN_ENCODING, pki().crl.data(), static_cast<DWORD>(pki().crl.size())));
    ASSERT_TRUE(older);
    const Cert ca = certOf(pki().ca);
    EXPECT_TRUE(CertCompareCertificateName(X509_ASN_ENCODING, &older->pCrlInfo->Issuer, &ca->pCertInfo->Subject));
    PCCRL_CONTEXT copy = CertDuplicateCRLContext(older.get());
    EXPECT_EQ(older.get(), copy);
    CertFreeCRLContext(copy);

    const Store store = systemStore(u"CA");
    ASSERT_TRUE(CertAddCRLContextToStore(store.get(), older.get(), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_FALSE(CertAddEncodedCRLToStore(store.get(), X509_ASN_ENCODING, pki().crl.data(),
                                          static_cast<DWORD>(pki().crl.size()), CERT_STORE_ADD_NEWER, nullptr));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_EXISTS), GetLastError());
    PCCRL_CONTEXT added = nullptr;
    ASSERT_TRUE(CertAddEncodedCRLToStore(store.get(), X509_ASN_ENCODING, pki().newerCrl.data(),
                                         static_cast<DWORD>(pki().newerCrl.size()), CERT_STORE_ADD_NEWER, &added));
    CertFreeCRLContext(added);

    const Store reopened = systemStore(u"CA");
    const Crl only(CertEnumCRLsInStore(reopened.get(), nullptr));
    ASSERT_TRUE(only);
    EXPECT_EQ(pki().newerCrl, Bytes(only->pbCrlEncoded, only->pbCrlEncoded + only->cbCrlEncoded));
    EXPECT_FALSE(CertEnumCRLsInStore(reopened.get(), CertDuplicateCRLContext(only.get())));
    EXPECT_FALSE(CertCreateCRLContext(X509_ASN_ENCODING, pki().user.data(), static_cast<DWORD>(pki().user.size())))
        << "a certificate is not a CRL";
}
