// Installing into the machine's stores when something goes wrong: every
// certificate is still tried, the first failure is what the caller hears,
// and a store that does not exist is not made.
#include <gtest/gtest.h>

#include "certificates.h"
#include "installation.h"
#include "store_contents.h"
#include "testkit/platform_root.h"
#include "win32/crypt_string.h"
#include "win32/error.h"
#include "win32/registry.h"

using namespace ostrim_test;

namespace {

Bytes derOf(const char16_t* pem) {
    DWORD size = 0;
    EXPECT_TRUE(CryptStringToBinaryW(pem, 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
    Bytes der(size);
    EXPECT_TRUE(CryptStringToBinaryW(pem, 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr));
    return der;
}

bool machineKeyExists(const char16_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

TEST(Installation, EveryCertificateIsTriedAndTheFirstFailureIsReported) {
    const testkit::PlatformRoot root;
    const ostrim::Placement placements[] = {
        {u"NoSuchStore", ostrim::kRootCertificate},
        {u"CA", u"-----BEGIN CERTIFICATE-----QUJD-----END CERTIFICATE-----"},
        {u"Root", ostrim::kRootCertificate},
        {u"CA", u"not armoured"},
        {u"CA", ostrim::kNewerCaCertificate},
    };
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), ostrim::install(placements));

    EXPECT_EQ(std::vector<Bytes>{derOf(ostrim::kRootCertificate)}, machineStore(u"Root"));
    EXPECT_EQ(std::vector<Bytes>{derOf(ostrim::kNewerCaCertificate)}, machineStore(u"CA"));
    EXPECT_FALSE(machineKeyExists(u"Software\\Microsoft\\SystemCertificates\\NoSuchStore"));
    EXPECT_TRUE(machineStore(u"NoSuchStore").empty());

    const ostrim::Placement damagedFirst[] = {{u"CA", u"not armoured"}, {u"NoSuchStore", ostrim::kRootCertificate}};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), ostrim::install(damagedFirst));
    // Armour around nothing is no certificate, whatever error came before.
    const ostrim::Placement emptyArmour[] = {{u"CA", u"-----BEGIN CERTIFICATE----------END CERTIFICATE-----"}};
    SetLastError(ERROR_SUCCESS);
    EXPECT_TRUE(FAILED(ostrim::install(emptyArmour)));
}
