// HKEY_CLASSES_ROOT as the merged view of the user's and the machine's classes.
#include "registry_fixture.h"

using namespace registry_test;

namespace {

TEST_F(Registry, ClassesReadTheUsersKeyBeforeTheMachines) {
    ASSERT_EQ(ERROR_SUCCESS, setString(create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.kyd").get(), nullptr, u"machine"));
    EXPECT_EQ(u"machine", stringOf(create(HKEY_CLASSES_ROOT, u".KYD").get(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, setString(create(HKEY_CURRENT_USER, u"Software\\Classes\\.kyd").get(), nullptr, u"user"));
    Key view;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CLASSES_ROOT, u".kyd", KEY_READ, view));
    EXPECT_EQ(u"user", stringOf(view.get(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, u".kyd"));  // the key the view names: the user's
    EXPECT_EQ(u"machine", stringOf(create(HKEY_CLASSES_ROOT, u".kyd").get(), nullptr));
    Key missing;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, openKey(HKEY_CLASSES_ROOT, u".none", KEY_READ, missing));
}

TEST_F(Registry, KeysCreatedThroughClassesGoToTheMachine) {
    Key server = create(HKEY_CLASSES_ROOT, u"CLSID\\{B09FA720-D756-471D-858E-36C5AFF0B417}\\InprocServer32");
    ASSERT_EQ(ERROR_SUCCESS, setString(server.get(), u"ThreadingModel", u"Apartment"));
    Key machine;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_LOCAL_MACHINE,
                                     u"SOFTWARE\\Classes\\CLSID\\{B09FA720-D756-471D-858E-36C5AFF0B417}\\InprocServer32",
                                     KEY_READ, machine));
    EXPECT_EQ(u"Apartment", stringOf(machine.get(), u"ThreadingModel"));
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID"));
}

TEST_F(Registry, ValuesWrittenThroughClassesGoToTheUsersKeyWhenItHasOne) {
    create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\Mirelo.SignerKyd");
    Key user = create(HKEY_CURRENT_USER, u"Software\\Classes\\Mirelo.SignerKyd");
    ASSERT_EQ(ERROR_SUCCESS, setString(create(HKEY_CLASSES_ROOT, u"Mirelo.SignerKyd").get(), nullptr, u"SignerKyd Class"));
    EXPECT_EQ(u"SignerKyd Class", stringOf(user.get(), nullptr));
    Key machine = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\Mirelo.SignerKyd");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(machine.get(), nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Registry, ClassesListTheUsersSubkeysThenTheMachinesOthers) {
    create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\CLSID\\{1}");
    create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\CLSID\\{2}");
    create(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID\\{3}");
    create(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID\\{2}");
    Key clsid;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CLASSES_ROOT, u"CLSID", KEY_READ, clsid));
    std::vector<std::u16string> names;
    char16_t name[8];
    for (DWORD i = 0, size = 8; RegEnumKeyExW(clsid.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                ERROR_SUCCESS;
         ++i, size = 8)
        names.emplace_back(name);
    EXPECT_EQ((std::vector<std::u16string>{u"{3}", u"{2}", u"{1}"}), names);
    DWORD subkeys = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(clsid.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(3u, subkeys);
}

}  // namespace

TEST_F(Registry, OverriddenClassesOpenTheGivenKeyUntilUndone) {
    struct Restore {
        ~Restore() { RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
    } restore;
    create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\Mirelo.SignerKyd");
    {
        Key userClasses = create(HKEY_CURRENT_USER, u"Software\\Classes");
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses.get()));
    }  // the stand-in's handle is closed; the override holds on
    Key seen;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, openKey(HKEY_CLASSES_ROOT, u"Mirelo.SignerKyd", KEY_READ, seen));
    ASSERT_EQ(ERROR_SUCCESS, setString(create(HKEY_CLASSES_ROOT, u"CLSID\\{1}").get(), nullptr, u"per user"));
    EXPECT_EQ(u"per user", stringOf(create(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID\\{1}").get(), nullptr));
    EXPECT_FALSE(exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\CLSID"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CLASSES_ROOT));  // closing the predefined key keeps the override
    EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, u"Mirelo.SignerKyd"));

    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr));
    EXPECT_TRUE(exists(HKEY_CLASSES_ROOT, u"Mirelo.SignerKyd"));
    Key made = create(HKEY_CLASSES_ROOT, u"Interface\\{2}");
    EXPECT_TRUE(exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\Interface\\{2}"));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOverridePredefKey(made.get(), nullptr));
}
