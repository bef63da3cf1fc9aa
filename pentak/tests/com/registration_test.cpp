// libpentak.so as a COM server: what regsvr32 writes and takes away, how
// clients find and create the class, what the object answers to, and how
// an outer object aggregates it.
#include <set>

#include "pentak_client.h"
#include "testkit/registry_lines.h"
#include "win32/modules.h"
#include "win32/registry.h"
#include "win32/resources.h"

namespace {

using namespace pentak_test;
using platform::com::Ptr;

std::set<std::string> classesRoot() { return testkit::registryLines(HKEY_CLASSES_ROOT); }

TEST(PentakRegistration, WritesTheClassAndItsLibraryAndUnregistrationTakesThemAway) {
    testkit::PlatformRoot machine;
    for (const char16_t* container : {u"CLSID", u"Interface", u"TypeLib"}) {  // as every machine has them
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, container, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    const auto before = classesRoot();
    ASSERT_EQ(0, regsvr32({"/s", kModule}).exitCode);

    const std::string clsid = "CLSID\\{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}";
    const std::string library = "TypeLib\\{ABAFF9E1-EED2-40E9-8474-BC9D7DD000E0}\\1.0";
    const std::string iface = "Interface\\{EB15F902-9B20-441F-B740-676111EB0372}";
    const std::string folder = kModule.substr(0, kModule.rfind('/') + 1);
    std::set<std::string> expected = {
        "Tesk.Pentak.1 [] = Pentak Class",
        "Tesk.Pentak.1\\CLSID [] = {D848A3BC-5B32-43E2-B362-BA816EA3CFCF}",
        "Tesk.Pentak [] = Pentak Class",
        "Tesk.Pentak\\CLSID [] = {D848A3BC-5B32-43E2-B362-BA816EA3CFCF}",
        "Tesk.Pentak\\CurVer [] = Tesk.Pentak.1",
        clsid + " [] = Pentak Class",
        clsid + "\\ProgID [] = Tesk.Pentak.1",
        clsid + "\\VersionIndependentProgID [] = Tesk.Pentak",
        clsid + "\\Programmable",
        clsid + "\\InprocServer32 [] = " + kModule,
        clsid + "\\InprocServer32 [ThreadingModel] = Apartment",
        clsid + "\\TypeLib [] = {ABAFF9E1-EED2-40E9-8474-BC9D7DD000E0}",
        library + " [] = Pentak 1.0 Type Library",
        library + "\\0\\linux [] = " + kModule,
        library + "\\FLAGS [] = 0",
        library + "\\HELPDIR [] = " + folder,
        iface + " [] = IPentak",
        iface + "\\ProxyStubClsid [] = {00020424-0000-0000-C000-000000000046}",
        iface + "\\ProxyStubClsid32 [] = {00020424-0000-0000-C000-000000000046}",
        iface + "\\TypeLib [] = {ABAFF9E1-EED2-40E9-8474-BC9D7DD000E0}",
        iface + "\\TypeLib [Version] = 1.0",
    };
    expected.insert(before.begin(), before.end());
    expected.erase("CLSID");  // the containers now hold something
    expected.erase("Interface");
    expected.erase("TypeLib");
    EXPECT_EQ(expected, classesRoot());

    ASSERT_EQ(0, regsvr32({"/u", "/s", kModule}).exitCode);
    EXPECT_EQ(before, classesRoot());
}

TEST(PentakRegistration, TheModuleCarriesItsSideBySideManifest) {
    constexpr WORD kManifest = 24;  // RT_MANIFEST
    const HMODULE module = LoadLibraryA(kModule.c_str());
    ASSERT_NE(nullptr, module);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(kManifest));
    ASSERT_NE(nullptr, found);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                               SizeofResource(module, found));
    FreeLibrary(module);
    for (const char* part : {"<file name=\"pentak.dll\">",
                             "<comClass clsid=\"{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}\" "
                             "tlbid=\"{ABAFF9E1-EED2-40E9-8474-BC9D7DD000E0}\" description=\"Pentak Class\"/>",
                             "<typelib tlbid=\"{ABAFF9E1-EED2-40E9-8474-BC9D7DD000E0}\" version=\"1.0\" helpdir=\"\" "
                             "flags=\"HASDISKIMAGE\"/>",
                             "<comInterfaceExternalProxyStub name=\"IPentak\" "
                             "iid=\"{EB15F902-9B20-441F-B740-676111EB0372}\" "
                             "proxyStubClsid32=\"{00020424-0000-0000-C000-000000000046}\""})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
}

class PentakActivation : public RegisteredPentak {};

TEST_F(PentakActivation, ByClassIdOrEitherProgIdTheObjectAnswersItsThreeInterfacesOnly) {
    for (const char16_t* progId : {u"Tesk.Pentak.1", u"Tesk.Pentak"}) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_EQ(CLSID_Pentak, clsid);
        Ptr<IDispatch> byName;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, byName.putVoid()));
        EXPECT_TRUE(byName);
    }
    Ptr<IUnknown> object;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()));
    const auto pentak = object.as<IPentak>();
    ASSERT_TRUE(pentak);
    ASSERT_TRUE(object.as<IDispatch>());
    EXPECT_EQ(object.get(), pentak.as<IUnknown>().get()) << "one identity";
    EXPECT_EQ(static_cast<IDispatch*>(pentak.get()), object.as<IDispatch>().get());
    for (const IID* refused : {&IID_ISupportErrorInfo, &IID_IObjectSafety, &IID_IClassFactory, &IID_ITypeInfo}) {
        void* answer = this;
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*refused, &answer));
        EXPECT_EQ(nullptr, answer);
    }
}

// An outer object that hands out the Pentak object's interfaces as its own.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override {
        if (iid != IID_IUnknown) return inner->QueryInterface(iid, ppv);
        AddRef();
        *ppv = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++count; }
    ULONG Release() override { return --count; }

    Ptr<IUnknown> inner;
    ULONG count = 1;
};

TEST_F(PentakActivation, AnOuterObjectLendsTheSessionAsItsOwn) {
    Outer outer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Pentak, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown, outer.inner.putVoid()));
    Ptr<IPentak> lent;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IPentak, lent.putVoid()));
    EXPECT_EQ(2u, outer.count) << "the lent interface counts on the outer object";
    Ptr<IUnknown> identity;
    ASSERT_EQ(S_OK, lent->QueryInterface(IID_IUnknown, identity.putVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
    identity.reset();

    EXPECT_EQ(S_OK, lent->put_KeySpec(1));
    LONG keySpec = 0;
    EXPECT_EQ(S_OK, lent->get_KeySpec(&keySpec));
    EXPECT_EQ(1, keySpec);
    lent.reset();
    EXPECT_EQ(1u, outer.count);

    Ptr<IPentak> refused;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_Pentak, &outer, CLSCTX_INPROC_SERVER, IID_IPentak, refused.putVoid()));
    outer.inner.reset();  // the object goes with its inner unknown
}

}  // namespace
