// Opening, creating, closing and deleting keys.
#include "registry_fixture.h"

using namespace registry_test;

namespace {

HKEY forged(ULONG_PTR value) { return reinterpret_cast<HKEY>(value); }

TEST_F(Registry, OpeningAMissingKeyIsFileNotFound) {
    Key key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, openKey(HKEY_CURRENT_USER, u"Software\\Tesk\\Missing", KEY_READ, key));
    EXPECT_EQ(nullptr, key.get());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, nullptr));
}

TEST_F(Registry, CreateMakesIntermediateKeysAndReportsWhatItDid) {
    HKEY h = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &h, &disposition));
    Key first(h);
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo"));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &h, &disposition));
    Key second(h);
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                       nullptr, &h, nullptr));
}

TEST_F(Registry, NullOrEmptySubkeyOpensTheSameKeyAgain) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    Key again, third;
    ASSERT_EQ(ERROR_SUCCESS, openKey(key.get(), nullptr, KEY_ALL_ACCESS, again));
    ASSERT_EQ(ERROR_SUCCESS, openKey(key.get(), u"", KEY_READ, third));
    ASSERT_EQ(ERROR_SUCCESS, setDword(again.get(), u"AppEnvironment", 1));
    EXPECT_EQ(1u, dwordOf(third.get(), u"AppEnvironment"));
}

TEST_F(Registry, NamesCompareWithoutCaseAndKeepTheirCreationCase) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\Šifrování");
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"Úroveň", 7));
    Key lower;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"SOFTWARE\\tesk\\šifrování", KEY_READ, lower));
    EXPECT_EQ(7u, dwordOf(lower.get(), u"úROVEŇ"));
    // The narrow name in Windows-1250: "ŠIFROVÁNÍ".
    HKEY narrow = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tesk\\\x8a" "IFROV\xc1N\xcd", 0, KEY_READ, &narrow));
    EXPECT_EQ(7u, dwordOf(narrow, u"Úroveň"));
    RegCloseKey(narrow);
    char16_t name[16];
    DWORD size = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExW(create(HKEY_CURRENT_USER, u"Software\\Tesk").get(), 0, name, &size,
                                           nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"Šifrování", std::u16string(name));
}

TEST_F(Registry, SubkeyPathsFollowTheWindowsSyntax) {
    Key key;
    EXPECT_EQ(ERROR_BAD_PATHNAME, openKey(HKEY_CURRENT_USER, u"\\Software", KEY_READ, key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, openKey(HKEY_CURRENT_USER, u"Software\\\\Classes", KEY_READ, key));
    EXPECT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"Software\\Classes\\", KEY_READ, key));
    const std::u16string longest(255, u'k'), tooLong(256, u'k');
    create(HKEY_CURRENT_USER, longest.c_str());
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(HKEY_CURRENT_USER, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
}

TEST_F(Registry, StaleAndForgedHandlesAreInvalidAndPredefinedKeysStayOpen) {
    HKEY h = create(HKEY_CURRENT_USER, u"Software\\Tesk").release();
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, setDword(h, u"x", 1));
    EXPECT_EQ(ERROR_INVALID_HANDLE, setDword(forged(0x1235), u"x", 1));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, u"Software\\Tesk"));
    EXPECT_TRUE(exists(HKEY_USERS, u".DEFAULT\\Software\\Tesk"));  // the one user is the current one
}

TEST_F(Registry, HandlesKeepTheAccessTheyWereOpenedWith) {
    create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\pentak");
    Key reader, writer, generic;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\pentak", KEY_READ, reader));
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\pentak", KEY_WRITE, writer));
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\pentak", 0x80000000u, generic));
    EXPECT_EQ(ERROR_ACCESS_DENIED, setDword(reader.get(), u"AppProfile", 1));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueW(reader.get(), u"AppProfile"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, setDword(generic.get(), u"AppProfile", 1));  // GENERIC_READ is KEY_READ
    ASSERT_EQ(ERROR_SUCCESS, setDword(writer.get(), u"AppProfile", 1));
    DWORD size = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExW(writer.get(), u"AppProfile", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(1u, dwordOf(reader.get(), u"AppProfile"));
    // Creating subkeys depends on the key's security, not on the handle's rights.
    EXPECT_NE(nullptr, create(reader.get(), u"Sub").get());
}

TEST_F(Registry, DeleteKeyRefusesSubkeysAndDeleteTreeTakesThemAll) {
    create(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs\\1");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs\\1"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\CERTS"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyW(HKEY_CURRENT_USER, nullptr));

    Key tesk = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    ASSERT_EQ(ERROR_SUCCESS, setDword(create(tesk.get(), u"a\\b\\c").get(), u"v", 1));
    ASSERT_EQ(ERROR_SUCCESS, setDword(tesk.get(), u"v", 1));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(tesk.get(), nullptr));  // contents only
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, u"Software\\Tesk"));
    EXPECT_FALSE(exists(tesk.get(), u"a"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(tesk.get(), u"v", nullptr, nullptr, nullptr, nullptr));
    create(tesk.get(), u"x\\y");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Tesk"));
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, u"Software\\Tesk"));
    // The roots stay, whatever is asked.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteTreeW(HKEY_CURRENT_USER, u""));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteTreeW(HKEY_USERS, u".DEFAULT"));
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, u"Software\\Classes"));
}

TEST_F(Registry, HandlesOfADeletedKeyReportKeyDeleted) {
    Key old = create(HKEY_CURRENT_USER, u"Software\\Tesk\\Tesk Halvex\\Workspace");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Tesk"));
    create(HKEY_CURRENT_USER, u"Software\\Tesk\\Tesk Halvex\\Workspace");  // a new key of the same name
    EXPECT_EQ(ERROR_KEY_DELETED, setDword(old.get(), u"AppVersion", 1));
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(old.get(), u"AppVersion", nullptr, nullptr, nullptr, nullptr));
    char16_t name[8];
    DWORD size = 8;
    EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyExW(old.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    Key sub;
    EXPECT_EQ(ERROR_KEY_DELETED, openKey(old.get(), u"x", KEY_READ, sub));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(old.release()));
}

TEST_F(Registry, FlushSucceedsOnOpenKeys) {
    EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(forged(0x1239)));
}

}  // namespace
