// libmirelo.so as a COM server: what regsvr32 writes and takes away,
// machine-wide or for the current user alone, and how clients find the
// class.
#include "mirelo_client.h"
#include "testkit/registry_lines.h"

namespace {

using namespace mirelo_test;

std::set<std::string> classesRoot() { return testkit::registryLines(HKEY_CLASSES_ROOT); }
// The lines below a classes key (not the key itself), named from that key
// as HKEY_CLASSES_ROOT names them.
std::set<std::string> classesBelow(HKEY root, const char16_t* classesKey, const std::string& prefix) {
    std::set<std::string> lines;
    for (const auto& line : testkit::registryLines(root, classesKey))
        if (line.starts_with(prefix)) lines.insert(line.substr(prefix.size()));
    return lines;
}
std::set<std::string> userClasses() {
    return classesBelow(HKEY_CURRENT_USER, u"Software\\Classes", "Software\\Classes\\");
}
std::set<std::string> machineClasses() {
    return classesBelow(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes", "SOFTWARE\\Classes\\");
}

// What unregistration leaves: the containers it keeps, and those the type
// library's registration keeps.
const std::set<std::string> kKeptContainers = {"AppID", "CLSID", "Interface", "TypeLib"};

std::set<std::string> expectedRegistration() {
    const std::string appId = "{1B8C6187-56FE-4D05-8E52-08952D74BADD}";
    const std::string clsidText = "{B09FA720-D756-471D-858E-36C5AFF0B417}";
    const std::string libId = "{179D686C-BAA8-41A6-892E-4CE3A39044F1}";
    const std::string clsid = "CLSID\\" + clsidText;
    const std::string library = "TypeLib\\" + libId + "\\1.0";
    const std::string iface = "Interface\\{5988877C-0AB8-49F2-9961-76FEFD3ED1B8}";
    const std::string folder = kModule.substr(0, kModule.rfind('/') + 1);
    return {
        "AppID\\" + appId + " [] = Mirelo",
        "AppID\\Mirelo.DLL [AppID] = " + appId,
        "Mirelo.SignerKyd.1 [] = SignerKyd Class",
        "Mirelo.SignerKyd.1\\CLSID [] = " + clsidText,
        "Mirelo.SignerKyd [] = SignerKyd Class",
        "Mirelo.SignerKyd\\CLSID [] = " + clsidText,
        "Mirelo.SignerKyd\\CurVer [] = Mirelo.SignerKyd.1",
        clsid + " [] = SignerKyd Class",
        clsid + "\\ProgID [] = Mirelo.SignerKyd.1",
        clsid + "\\VersionIndependentProgID [] = Mirelo.SignerKyd",
        clsid + "\\Programmable",
        clsid + "\\InprocServer32 [] = " + kModule,
        clsid + "\\InprocServer32 [ThreadingModel] = Apartment",
        clsid + "\\TypeLib [] = " + libId,
        library + " [] = Mirelo 1.0 Type Library",
        library + "\\0\\linux [] = " + kModule,
        library + "\\FLAGS [] = 0",
        library + "\\HELPDIR [] = " + folder,
        iface + " [] = ISignerKyd",
        iface + "\\ProxyStubClsid [] = {00020424-0000-0000-C000-000000000046}",
        iface + "\\ProxyStubClsid32 [] = {00020424-0000-0000-C000-000000000046}",
        iface + "\\TypeLib [] = " + libId,
        iface + "\\TypeLib [Version] = 1.0",
    };
}

TEST(MireloRegistration, WritesExactlyTheClassItsApplicationAndLibraryAndUnregistrationKeepsOnlyTheContainers) {
    testkit::PlatformRoot machine;
    HKEY stale = nullptr;  // what an older registration left in the class key
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{B09FA720-D756-471D-858E-36C5AFF0B417}\\Old",
                                             0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &stale, nullptr));
    RegCloseKey(stale);
    ASSERT_EQ(0, regsvr32({"/s", kModule}).exitCode);
    EXPECT_EQ(expectedRegistration(), classesRoot()) << "the class key is written afresh";
    ASSERT_EQ(0, regsvr32({"/s", kModule}).exitCode) << "registering again";
    EXPECT_EQ(expectedRegistration(), classesRoot());

    ASSERT_EQ(0, regsvr32({"/u", "/s", kModule}).exitCode);
    EXPECT_EQ(kKeptContainers, classesRoot());
}

TEST(MireloRegistration, InstallForTheUserWritesOnlyTheUsersClassesWhichFindTheObjectAndForUsersTheMachines) {
    testkit::PlatformRoot machine;
    const auto machineBefore = machineClasses();
    for (const char* user : {"/i:user", "/i:USER"}) {
        ASSERT_EQ(0, regsvr32({"/s", "/n", user, kModule}).exitCode) << user;
        EXPECT_EQ(expectedRegistration(), userClasses()) << user;
        EXPECT_EQ(machineBefore, machineClasses()) << user;

        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        platform::com::Ptr<ISignerKyd> signer;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SignerKyd, nullptr, CLSCTX_INPROC_SERVER, IID_ISignerKyd,
                                         signer.putVoid()));
        EXPECT_TRUE(signer) << user;
        signer.reset();
        CoUninitialize();

        ASSERT_EQ(0, regsvr32({"/s", "/u", "/n", user, kModule}).exitCode) << user;
        EXPECT_EQ(kKeptContainers, userClasses()) << user;
        EXPECT_EQ(machineBefore, machineClasses()) << user;
    }
    ASSERT_EQ(0, regsvr32({"/s", "/n", "/i:users", kModule}).exitCode);
    EXPECT_EQ(expectedRegistration(), machineClasses());
    ASSERT_EQ(0, regsvr32({"/s", "/u", "/n", "/i:users", kModule}).exitCode);
    EXPECT_EQ(kKeptContainers, classesRoot());
}

class MireloActivation : public RegisteredMirelo {};

TEST_F(MireloActivation, ByClassIdOrEitherProgIdTheObjectAnswersItsInterfacesOnly) {
    for (const char16_t* progId : {u"Mirelo.SignerKyd.1", u"Mirelo.SignerKyd"}) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_EQ(CLSID_SignerKyd, clsid);
        platform::com::Ptr<IDispatch> byName;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, byName.putVoid()));
        EXPECT_TRUE(byName);
    }
    platform::com::Ptr<IUnknown> object;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SignerKyd, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()));
    const auto signer = object.as<ISignerKyd>();
    ASSERT_TRUE(signer);
    EXPECT_EQ(static_cast<IDispatch*>(signer.get()), object.as<IDispatch>().get());
    EXPECT_TRUE(object.as<IObjectSafety>());
    for (const IID* refused : {&IID_ISupportErrorInfo, &IID_IClassFactory, &IID_ITypeInfo}) {
        void* answer = this;
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*refused, &answer));
        EXPECT_EQ(nullptr, answer);
    }
}

}  // namespace
