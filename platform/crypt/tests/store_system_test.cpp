// System stores in the registry: what another process sees, store order,
// open flags, read-only stores, the two locations, damaged entries.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "store_fixture.h"
#include "win32/crypt_provider.h"
#include "win32/registry.h"

using namespace store_test;

namespace {

constexpr DWORD kExisting = CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG;

void add(HCERTSTORE store, const Bytes& der, DWORD disposition = CERT_STORE_ADD_REPLACE_EXISTING) {
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                 disposition, nullptr))
        << std::hex << GetLastError();
}

Cert find(HCERTSTORE store, const Bytes& der) {
    const Cert wanted = certOf(der);
    return Cert(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted.get(), nullptr));
}

std::string sha1Of(const Bytes& der) {
    BYTE hash[20];
    DWORD size = sizeof hash;
    EXPECT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, der.data(), static_cast<DWORD>(der.size()), hash, &size));
    return hex(Bytes(hash, hash + size));
}

Bytes blobOf(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD type = 0, size = 0;
    RegQueryValueExW(key, u"Blob", nullptr, &type, nullptr, &size);
    Bytes blob(size);
    RegQueryValueExW(key, u"Blob", nullptr, &type, blob.data(), &size);
    RegCloseKey(key);
    return blob;
}

void setValue(const std::u16string& path, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Blob", 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

std::u16string entryPath(const char16_t* store, const std::string& sha1) {
    return u"Software\\Microsoft\\SystemCertificates\\" + std::u16string(store) + u"\\Certificates\\" +
           std::u16string(sha1.begin(), sha1.end());
}

}  // namespace

// Run by the test below as a second process, on the same platform root: it
// lists the user's MY store with the key provider of each certificate, then
// adds the CA certificate it finds in the root folder to the user's CA store.
// It leaves a collection open on purpose: the process must still end cleanly.
TEST(StoreSecondProcess, DISABLED_ListsMyAndAddsToCa) {
    const Store my = systemStore(u"MY", kExisting);
    ASSERT_TRUE(my);
    const HCERTSTORE leftOpen = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
    ASSERT_TRUE(CertAddStoreToCollection(leftOpen, my.get(), 0, 0));
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(my.get(), nullptr); c;
         c = CertEnumCertificatesInStore(my.get(), c)) {
        BYTE hash[20];
        DWORD size = sizeof hash;
        ASSERT_TRUE(CertGetCertificateContextProperty(c, CERT_SHA1_HASH_PROP_ID, hash, &size));
        std::vector<BYTE> info(1024);
        DWORD infoSize = static_cast<DWORD>(info.size());
        std::string container = "-";
        DWORD keySpec = 0;
        if (CertGetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, info.data(), &infoSize)) {
            const auto* prov = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(info.data());
            const std::u16string name(prov->pwszContainerName);
            container.assign(name.begin(), name.end());
            keySpec = prov->dwKeySpec;
        }
        std::printf("cert %s %s %u\n", hex(Bytes(hash, hash + size)).c_str(), container.c_str(), keySpec);
    }
    const std::string ca = testkit::readFile(std::filesystem::path(std::getenv("PLATFORM_ROOT")) / "ca.der");
    const Store caStore = systemStore(u"CA", kExisting);
    add(caStore.get(), Bytes(ca.begin(), ca.end()));
}

TEST_F(StoreTest, CertificatesAddedToMyWithKeyProviderInfoAreFoundByASecondProcess) {
    {
        const Store my = systemStore(u"MY", kExisting);
        ASSERT_TRUE(my);
        const Cert user = certOf(pki().user);
        char16_t container[] = u"tesk-signing-key";
        char16_t provider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
        CRYPT_KEY_PROV_INFO info{container, provider, PROV_RSA_FULL, 0, 0, nullptr, AT_SIGNATURE};
        ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), user.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
        add(my.get(), pki().root);
    }
    m_root.write("ca.der", std::string(pki().ca.begin(), pki().ca.end()));

    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    const auto child = testkit::run({self.string(), "--gtest_also_run_disabled_tests",
                                     "--gtest_filter=StoreSecondProcess.DISABLED_ListsMyAndAddsToCa"});
    ASSERT_EQ(0, child.exitCode) << child.out << child.err;
    std::istringstream lines(child.out);
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("cert ", 0) == 0) listed.push_back(line);
    ASSERT_EQ(2u, listed.size()) << child.out;
    EXPECT_EQ("cert " + pki().userSha1 + " tesk-signing-key 2", listed[0]);
    EXPECT_NE(std::string::npos, listed[1].find(" - 0")) << "the root has no key provider";

    // And what the second process wrote is here.
    const Store ca = systemStore(u"CA", kExisting);
    EXPECT_TRUE(find(ca.get(), pki().ca));
}

TEST_F(StoreTest, StoreOrderIsTheOrderOfAddingAndSurvivesReopening) {
    {
        const Store my = systemStore(u"MY");
        add(my.get(), pki().root);
        add(my.get(), pki().ca);
        add(my.get(), pki().user);
        add(my.get(), pki().ca);  // replaced where it stands
    }
    const Store my = systemStore(u"MY");
    EXPECT_EQ((std::vector<Bytes>{pki().root, pki().ca, pki().user}), certificatesIn(my.get()));
    ASSERT_TRUE(CertDeleteCertificateFromStore(find(my.get(), pki().ca).release()));
    add(my.get(), pki().ca);
    const Store again = systemStore(u"MY");
    EXPECT_EQ((std::vector<Bytes>{pki().root, pki().user, pki().ca}), certificatesIn(again.get()));
}

TEST_F(StoreTest, OpenFlagsFollowWhetherTheStoreExists) {
    // The predefined stores exist on a machine where nothing was ever stored.
    for (const char16_t* name : {u"MY", u"Root", u"CA", u"REQUEST", u"AddressBook"})
        EXPECT_TRUE(systemStore(name, kExisting)) << "predefined store missing";

    EXPECT_FALSE(systemStore(u"Tesk Custom", kExisting));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(systemStore(u"Tesk Custom", CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    EXPECT_TRUE(systemStore(u"Tesk Custom"));
    EXPECT_TRUE(systemStore(u"tesk custom", kExisting)) << "store names compare without case";
    EXPECT_FALSE(systemStore(u"Tesk Custom", CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_CREATE_NEW_FLAG));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());

    SetLastError(1);
    EXPECT_FALSE(systemStore(u"Tesk Custom", CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG));
    EXPECT_EQ(0u, GetLastError()) << "deleted";
    EXPECT_FALSE(systemStore(u"Tesk Custom", kExisting));

    EXPECT_FALSE(systemStore(u"MY", 5u << CERT_SYSTEM_STORE_LOCATION_SHIFT));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_FALSE(CertOpenStore(TESK_STORE_PROV(77), 0, 0, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    const Store w(CertOpenSystemStoreW(0, u"MY"));
    const Store a(CertOpenSystemStoreA(0, "AddressBook"));
    EXPECT_TRUE(w && a);
}

TEST_F(StoreTest, ReadOnlyStoreRefusesChangesButTakesLabelsThatAreNotPersisted) {
    add(systemStore(u"MY").get(), pki().user);
    const Store my = systemStore(u"MY", kExisting | CERT_STORE_READONLY_FLAG);
    ASSERT_TRUE(my);
    EXPECT_FALSE(CertAddEncodedCertificateToStore(my.get(), X509_ASN_ENCODING, pki().ca.data(),
                                                  static_cast<DWORD>(pki().ca.size()), CERT_STORE_ADD_ALWAYS, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), GetLastError());

    Cert user = find(my.get(), pki().user);
    ASSERT_TRUE(user);
    const CRYPT_DATA_BLOB label = textBlob(u"Jan Novák, signature");
    EXPECT_FALSE(CertSetCertificateContextProperty(user.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &label));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), GetLastError());
    ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_FRIENDLY_NAME_PROP_ID,
                                                  CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG, &label));
    EXPECT_EQ(u"Jan Novák, signature", friendlyName(user.get()));

    EXPECT_FALSE(CertDeleteCertificateFromStore(user.release()));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), GetLastError());
    const Store reopened = systemStore(u"MY", kExisting);
    EXPECT_EQ(std::vector<Bytes>{pki().user}, certificatesIn(reopened.get()));
    EXPECT_EQ(u"", friendlyName(find(reopened.get(), pki().user).get()));
}

TEST_F(StoreTest, LabelsThatAreNotPersistedNeverReachTheRegistry) {
    {
        const Store my = systemStore(u"MY");
        add(my.get(), pki().user);
        const Cert user = find(my.get(), pki().user);
        const CRYPT_DATA_BLOB own = textBlob(u"My signing certificate");
        const CRYPT_DATA_BLOB label = textBlob(u"Jan Novák, signature");
        ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &own));
        ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_FRIENDLY_NAME_PROP_ID,
                                                      CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG, &label));
        EXPECT_EQ(u"Jan Novák, signature", friendlyName(user.get()));
        // A persisted change of another property rewrites the entry: the label stays out.
        const CRYPT_DATA_BLOB description = textBlob(u"desc");
        ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_DESCRIPTION_PROP_ID, 0, &description));
    }
    const Store my = systemStore(u"MY");
    EXPECT_EQ(u"My signing certificate", friendlyName(find(my.get(), pki().user).get()));
}

// The user's Root, Trust and CA show the machine's certificates after the
// user's own; adds go to the user's, and the machine's part cannot be changed
// through them. Other stores and the machine's own stay apart.
TEST_F(StoreTest, UsersTrustStoresShowTheMachinesAndKeepTheirOwnAdds) {
    const DWORD machine = CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG;
    for (const char16_t* name : {u"Root", u"Trust", u"CA", u"MY"}) add(systemStore(name, machine).get(), pki().root);
    for (const char16_t* name : {u"Root", u"trust", u"CA"})
        EXPECT_EQ(std::vector<Bytes>{pki().root}, certificatesIn(systemStore(name, kExisting).get()));
    EXPECT_TRUE(certificatesIn(systemStore(u"MY", kExisting).get()).empty());

    add(systemStore(u"Root", kExisting).get(), pki().ca);
    EXPECT_EQ((std::vector<Bytes>{pki().ca, pki().root}), certificatesIn(systemStore(u"Root", kExisting).get()));
    EXPECT_EQ(std::vector<Bytes>{pki().root}, certificatesIn(systemStore(u"Root", machine).get()));
    EXPECT_FALSE(blobOf(HKEY_CURRENT_USER, entryPath(u"Root", sha1Of(pki().ca))).empty());
    EXPECT_TRUE(blobOf(HKEY_LOCAL_MACHINE, entryPath(u"Root", sha1Of(pki().ca))).empty());
    EXPECT_TRUE(blobOf(HKEY_CURRENT_USER, entryPath(u"Root", sha1Of(pki().root))).empty());

    const Store userRoot = systemStore(u"Root", kExisting);
    EXPECT_FALSE(CertDeleteCertificateFromStore(find(userRoot.get(), pki().root).release()));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), GetLastError());
    EXPECT_EQ(std::vector<Bytes>{pki().root}, certificatesIn(systemStore(u"Root", machine).get()));
}

TEST_F(StoreTest, DamagedEntriesInTheRegistryAreLeftOut) {
    {
        const Store my = systemStore(u"MY");
        add(my.get(), pki().root);
        add(my.get(), pki().user);
        add(my.get(), pki().ca);
    }
    // The user's blob cut short, the root's replaced by text, and the CA's
    // good blob copied under a name that is not its hash.
    const BYTE cut[] = {'T', 'S', 'K', 'B', 1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x30};
    setValue(entryPath(u"MY", pki().userSha1), REG_BINARY, cut, sizeof cut);
    const char16_t text[] = u"not a blob";
    setValue(entryPath(u"MY", sha1Of(pki().root)), REG_SZ, text, sizeof text);
    const Bytes caBlob = blobOf(HKEY_CURRENT_USER, entryPath(u"MY", sha1Of(pki().ca)));
    ASSERT_FALSE(caBlob.empty());
    setValue(entryPath(u"MY", std::string(40, 'A')), REG_BINARY, caBlob.data(), static_cast<DWORD>(caBlob.size()));

    const Store my = systemStore(u"MY", kExisting);
    ASSERT_TRUE(my) << "a damaged entry does not keep the store from opening";
    EXPECT_EQ(std::vector<Bytes>{pki().ca}, certificatesIn(my.get()));
    // The damaged entry can be put right by adding the certificate again.
    add(my.get(), pki().user);
    EXPECT_TRUE(find(systemStore(u"MY").get(), pki().user));
}

TEST_F(StoreTest, StoreLivesWhileItsContextsAreReferenced) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    add(store, pki().user);
    PCCERT_CONTEXT cert = CertEnumCertificatesInStore(store, nullptr);
    ASSERT_TRUE(cert);
    EXPECT_FALSE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_PENDING_CLOSE), GetLastError());
    EXPECT_FALSE(CertCloseStore(store, 0)) << "the handle was closed all the same";
    // The context's store is still there to be searched.
    EXPECT_EQ(std::vector<Bytes>{pki().user}, certificatesIn(cert->hCertStore));
    CertFreeCertificateContext(cert);
    EXPECT_FALSE(CertEnumCertificatesInStore(store, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CertCloseStore(nullptr, 0));
}
