// Software key containers: created, opened, listed and deleted with the
// Windows codes; files only the user can read; shared by the software
// providers and by processes; a damaged file refused, never a crash.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "provider_support.h"

using namespace provider_test;

namespace {

std::vector<std::string> containerNames(HCRYPTPROV prov) {
    std::vector<std::string> names;
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        char name[261];
        DWORD size = sizeof name;
        if (!CryptGetProvParam(prov, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, flags)) {
            EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
            return names;
        }
        names.emplace_back(name);
    }
}

std::vector<std::filesystem::path> containerFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(platform::paths::keyContainers()))
        if (entry.path().extension() == ".key") files.push_back(entry.path());
    return files;
}

mode_t modeOf(const std::filesystem::path& p) {
    struct stat st {};
    EXPECT_EQ(0, ::stat(p.c_str(), &st));
    return st.st_mode & 0777;
}

}  // namespace

TEST(ProviderContainers, NewOpenAndDeleteGiveTheWindowsCodes) {
    testkit::PlatformRoot root;
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"Alpha", kStrong, PROV_RSA_FULL, 0).error());
    {
        Context created(u"Alpha", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
        ASSERT_TRUE(created);
        char name[64];
        DWORD size = sizeof name;
        ASSERT_TRUE(CryptGetProvParam(created.get(), PP_CONTAINER, reinterpret_cast<BYTE*>(name), &size, 0));
        EXPECT_STREQ("Alpha", name);
        HCRYPTKEY key = 0;
        EXPECT_EQ(code(NTE_NO_KEY), failureOf([&] { return CryptGetUserKey(created.get(), AT_SIGNATURE, &key); }));
    }
    EXPECT_EQ(code(NTE_EXISTS), Context(u"ALPHA", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET).error());
    EXPECT_TRUE(Context(u"alpha", kStrong, PROV_RSA_FULL, 0));

    HCRYPTPROV gone = 1;
    ASSERT_TRUE(CryptAcquireContextW(&gone, u"Alpha", kStrong, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
    EXPECT_EQ(0u, gone);
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"Alpha", kStrong, PROV_RSA_FULL, 0).error());
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"Alpha", kStrong, PROV_RSA_FULL, CRYPT_DELETEKEYSET).error());
}

TEST(ProviderContainers, KeysAreKeptForTheUserAloneAndSharedByTheSoftwareProviders) {
    testkit::PlatformRoot root;
    {
        Context strong(u"Shared", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptGenKey(strong.get(), AT_SIGNATURE, 1024 << 16, &key));
        CryptDestroyKey(key);
    }
    const auto files = containerFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(0600u, modeOf(files.front()));
    EXPECT_EQ(0700u, modeOf(files.front().parent_path()));

    Context aes(u"Shared", kAes, PROV_RSA_AES, 0);
    ASSERT_TRUE(aes);
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(aes.get(), AT_SIGNATURE, &key));
    CryptDestroyKey(key);
}

TEST(ProviderContainers, EnumerationListsTheContainersOfTheUserOrOfTheMachine) {
    testkit::PlatformRoot root;
    for (const char16_t* name : {u"Beta", u"alpha", u"Gamma"}) Context(name, kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
    Context(u"Machine one", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET | CRYPT_MACHINE_KEYSET);
    Context user(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    EXPECT_EQ((std::vector<std::string>{"alpha", "Beta", "Gamma"}), containerNames(user.get()));
    Context machine(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET);
    EXPECT_EQ((std::vector<std::string>{"Machine one"}), containerNames(machine.get()));
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"Machine one", kStrong, PROV_RSA_FULL, 0).error());
}

TEST(ProviderContainers, ASecondProcessSeesTheContainerAndItsKey) {
    testkit::PlatformRoot root;
    Bytes blob;
    {
        Context first(u"Across", kAes, PROV_RSA_AES, CRYPT_NEWKEYSET);
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptGenKey(first.get(), AT_KEYEXCHANGE, 1024 << 16, &key));
        DWORD size = 0;
        ASSERT_TRUE(CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &size));
        blob.resize(size);
        ASSERT_TRUE(CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &size));
        CryptDestroyKey(key);
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Exit status 0 only when the same public key is found.
        HCRYPTPROV prov = 0;
        HCRYPTKEY key = 0;
        Bytes seen(blob.size());
        DWORD size = static_cast<DWORD>(seen.size());
        const bool same = CryptAcquireContextW(&prov, u"Across", kStrong, PROV_RSA_FULL, 0) &&
                          CryptGetUserKey(prov, AT_KEYEXCHANGE, &key) &&
                          CryptExportKey(key, 0, PUBLICKEYBLOB, 0, seen.data(), &size) && seen == blob;
        _exit(same ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ProviderContainers, ADamagedContainerFileIsRefusedAsABadEntry) {
    testkit::PlatformRoot root;
    {
        Context created(u"Damaged", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptGenKey(created.get(), AT_SIGNATURE, 1024 << 16, &key));
        CryptDestroyKey(key);
    }
    const auto file = containerFiles().at(0);
    const std::string whole = testkit::readFile(file);
    for (const std::size_t keep : {std::size_t{3}, std::size_t{20}, whole.size() / 2, whole.size() - 1}) {
        testkit::writeFile(file, whole.substr(0, keep));
        EXPECT_EQ(code(NTE_KEYSET_ENTRY_BAD), Context(u"Damaged", kStrong, PROV_RSA_FULL, 0).error()) << keep;
    }
    std::string flipped = whole;
    flipped[whole.size() - 40] ^= 0x55;
    testkit::writeFile(file, flipped);
    EXPECT_EQ(code(NTE_KEYSET_ENTRY_BAD), Context(u"Damaged", kStrong, PROV_RSA_FULL, 0).error());
    // The damaged container is not listed, and it can still be deleted.
    Context lister(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    EXPECT_TRUE(containerNames(lister.get()).empty());
    HCRYPTPROV gone = 0;
    EXPECT_TRUE(CryptAcquireContextW(&gone, u"Damaged", kStrong, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
}

TEST(ProviderContainers, AVerifyContextKeepsItsKeysInMemoryOnly) {
    testkit::PlatformRoot root;
    Context verify(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(verify.get(), AT_SIGNATURE, 1024 << 16, &key));
    CryptDestroyKey(key);
    ASSERT_TRUE(CryptGetUserKey(verify.get(), AT_SIGNATURE, &key));
    CryptDestroyKey(key);
    EXPECT_TRUE(containerFiles().empty());
}

// Keys decoded once are kept by the process: a container deleted and made
// again under the same name must sign with its new key, never the old one.
TEST(ProviderContainers, AContainerMadeAgainSignsWithItsNewKey) {
    testkit::PlatformRoot root;
    const auto signatureAndKey = [](Context& context) {
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGenKey(context.get(), AT_SIGNATURE, 1024 << 16, &key));
        CryptDestroyKey(key);
        HCRYPTHASH hash = 0;
        EXPECT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, &hash));
        EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("same text"), 9, 0));
        Bytes signature(128);
        DWORD size = static_cast<DWORD>(signature.size());
        EXPECT_TRUE(CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, signature.data(), &size));
        CryptDestroyHash(hash);
        return signature;
    };
    const auto verifies = [](Context& context, const Bytes& signature) {
        HCRYPTKEY key = 0;
        HCRYPTHASH hash = 0;
        EXPECT_TRUE(CryptGetUserKey(context.get(), AT_SIGNATURE, &key));
        EXPECT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, &hash));
        EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("same text"), 9, 0));
        const bool good = CryptVerifySignatureW(hash, signature.data(), static_cast<DWORD>(signature.size()), key,
                                                nullptr, 0);
        CryptDestroyHash(hash);
        CryptDestroyKey(key);
        return good;
    };

    Bytes first;
    {
        Context context(u"Again", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
        first = signatureAndKey(context);
        EXPECT_TRUE(verifies(context, first));
    }
    HCRYPTPROV gone = 0;
    ASSERT_TRUE(CryptAcquireContextW(&gone, u"Again", kStrong, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
    Context again(u"Again", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
    const Bytes second = signatureAndKey(again);
    EXPECT_NE(first, second);
    EXPECT_TRUE(verifies(again, second));
    EXPECT_FALSE(verifies(again, first));
}
