// The provider list in the registry: the built-in software providers and
// the defaults of types 1 and 24 appear on first use; card providers are
// listed by the layer's interface; lookups fail with the Windows codes.
#include <cstring>

#include "platform/crypt_providers.h"
#include "provider_support.h"
#include "win32/registry.h"

using namespace provider_test;

namespace {

std::vector<std::pair<std::u16string, DWORD>> enumerated() {
    std::vector<std::pair<std::u16string, DWORD>> out;
    for (DWORD i = 0;; ++i) {
        DWORD type = 0;
        DWORD size = 0;
        if (!CryptEnumProvidersW(i, nullptr, 0, &type, nullptr, &size)) {
            EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
            return out;
        }
        std::u16string name(size / sizeof(char16_t), u'\0');
        EXPECT_TRUE(CryptEnumProvidersW(i, nullptr, 0, &type, name.data(), &size));
        name.resize(size / sizeof(char16_t) - 1);
        out.emplace_back(name, type);
    }
}

std::string defaultName(DWORD type, DWORD flags) {
    DWORD size = 0;
    if (!CryptGetDefaultProviderA(type, nullptr, flags, nullptr, &size)) return "error " + std::to_string(GetLastError());
    std::string name(size, '\0');
    EXPECT_TRUE(CryptGetDefaultProviderA(type, nullptr, flags, name.data(), &size));
    name.resize(size - 1);
    return name;
}

}  // namespace

TEST(ProviderList, BuiltInProvidersAreListedInNameOrderWithTheirTypes) {
    testkit::PlatformRoot root;
    const auto providers = enumerated();
    const std::vector<std::pair<std::u16string, DWORD>> expected{
        {kBase, PROV_RSA_FULL},
        {kEnhanced, PROV_RSA_FULL},
        {kAes, PROV_RSA_AES},
        {u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", PROV_RSA_AES},
        {kStrong, PROV_RSA_FULL},
    };
    EXPECT_EQ(expected, providers);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                           u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\"
                                           u"Microsoft Strong Cryptographic Provider",
                                           0, KEY_READ, &key));
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Type", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(PROV_RSA_FULL, value);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Image Path", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    RegCloseKey(key);
}

TEST(ProviderList, ANameBufferTooSmallGetsMoreDataAndTheSize) {
    testkit::PlatformRoot root;
    char name[8];
    DWORD type = 0;
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_MORE_DATA, failureOf([&] { return CryptEnumProvidersA(0, nullptr, 0, &type, name, &size); }));
    EXPECT_EQ(std::string("Microsoft Base Cryptographic Provider v1.0").size() + 1, size);
}

TEST(ProviderList, MachineDefaultsAreStrongForType1AndAesForType24AndUsersMayChooseTheirOwn) {
    testkit::PlatformRoot root;
    EXPECT_EQ("Microsoft Strong Cryptographic Provider", defaultName(PROV_RSA_FULL, CRYPT_MACHINE_DEFAULT));
    EXPECT_EQ("Microsoft Enhanced RSA and AES Cryptographic Provider", defaultName(PROV_RSA_AES, CRYPT_MACHINE_DEFAULT));
    EXPECT_EQ("Microsoft Strong Cryptographic Provider", defaultName(PROV_RSA_FULL, CRYPT_USER_DEFAULT));

    platform::crypt::setDefaultProvider(PROV_RSA_FULL, kEnhanced, platform::crypt::DefaultScope::User);
    EXPECT_EQ("Microsoft Enhanced Cryptographic Provider v1.0", defaultName(PROV_RSA_FULL, CRYPT_USER_DEFAULT));
    EXPECT_EQ("Microsoft Strong Cryptographic Provider", defaultName(PROV_RSA_FULL, CRYPT_MACHINE_DEFAULT));
    // A context of a null provider name is the user's default.
    Context context(nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    ASSERT_TRUE(context);
    char name[128];
    DWORD size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_NAME, reinterpret_cast<BYTE*>(name), &size, 0));
    EXPECT_STREQ("Microsoft Enhanced Cryptographic Provider v1.0", name);

    EXPECT_EQ("error " + std::to_string(code(NTE_PROV_TYPE_NOT_DEF)), defaultName(PROV_DSS, CRYPT_MACHINE_DEFAULT));
    EXPECT_EQ("error " + std::to_string(code(NTE_BAD_FLAGS)), defaultName(PROV_RSA_FULL, 0));
}

TEST(ProviderList, AcquiringFailsWithTheCodeOfWhatIsWrong) {
    testkit::PlatformRoot root;
    EXPECT_EQ(code(NTE_KEYSET_NOT_DEF), Context(nullptr, u"No Such Provider", PROV_RSA_FULL, CRYPT_VERIFYCONTEXT).error());
    EXPECT_EQ(code(NTE_PROV_TYPE_NO_MATCH), Context(nullptr, kStrong, PROV_RSA_AES, CRYPT_VERIFYCONTEXT).error());
    EXPECT_EQ(code(NTE_PROV_TYPE_NOT_DEF), Context(nullptr, nullptr, PROV_DSS, CRYPT_VERIFYCONTEXT).error());
    EXPECT_EQ(code(NTE_BAD_PROV_TYPE), Context(nullptr, kStrong, 0, CRYPT_VERIFYCONTEXT).error());
    EXPECT_EQ(code(NTE_BAD_FLAGS), Context(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET).error());
    EXPECT_EQ(code(NTE_BAD_FLAGS), Context(u"c", kStrong, PROV_RSA_FULL, 0x100).error());
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              failureOf([] { return CryptAcquireContextW(nullptr, nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT); }));
}

TEST(ProviderList, NamesCompareWithoutCaseAndContextsReportTheRegisteredSpellingAndVersion) {
    testkit::PlatformRoot root;
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextA(&prov, nullptr, "microsoft strong cryptographic provider", PROV_RSA_FULL,
                                     CRYPT_VERIFYCONTEXT));
    char name[128];
    DWORD size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(prov, PP_NAME, reinterpret_cast<BYTE*>(name), &size, 0));
    EXPECT_STREQ("Microsoft Strong Cryptographic Provider", name);
    EXPECT_EQ(std::strlen(name) + 1, size);
    DWORD version = 0;
    size = sizeof version;
    ASSERT_TRUE(CryptGetProvParam(prov, PP_VERSION, reinterpret_cast<BYTE*>(&version), &size, 0));
    EXPECT_EQ(0x0200u, version);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetProvParam(prov, 0x10000, nullptr, &size, 0); }));
    EXPECT_TRUE(CryptReleaseContext(prov, 0));
}

TEST(ProviderList, CardProvidersAreListedWithTheirModuleAndCanBeRemoved) {
    testkit::PlatformRoot root;
    platform::crypt::registerCardProvider(platform::crypt::kKavloCsp, "/nonexistent/kavlopkcs11.so");
    bool listed = false;
    for (const auto& [name, type] : enumerated()) listed |= name == platform::crypt::kKavloCsp && type == PROV_RSA_FULL;
    EXPECT_TRUE(listed);
    // A module that cannot be loaded is the provider's DLL missing.
    EXPECT_EQ(code(NTE_PROV_DLL_NOT_FOUND),
              Context(nullptr, platform::crypt::kKavloCsp, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT).error());
    platform::crypt::unregisterProvider(platform::crypt::kKavloCsp);
    EXPECT_EQ(code(NTE_KEYSET_NOT_DEF),
              Context(nullptr, platform::crypt::kKavloCsp, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT).error());
}
