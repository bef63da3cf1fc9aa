// A COM server's life: regsvr32 registers and unregisters it, clients
// create it by CLSID or ProgID in their apartment, aggregate it, and the
// module goes when its last object has.
#include <cstdlib>
#include <thread>

#include <unistd.h>

#include "com_test_support.h"
#include "platform/text.h"
#include "testkit/sanitize_build.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/registry.h"

namespace {

using namespace com_test;
using platform::com::Ptr;

const std::u16string kClsid = u"{5C2B6F12-7A41-4E55-9D3B-1F0C2A6E8B01}";
const std::u16string kLibid = u"{5C2B6F10-7A41-4E55-9D3B-1F0C2A6E8B01}";
const std::u16string kIid = u"{5C2B6F11-7A41-4E55-9D3B-1F0C2A6E8B01}";

// Every key and value under a key, one line each, "path" or "path [name] = text".
void dump(HKEY parent, const std::u16string& path, std::vector<std::string>& lines) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    lines.push_back(platform::text::toUtf8(path));
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD nameSize = 256;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        std::u16string text = type == REG_SZ ? std::u16string(reinterpret_cast<WCHAR*>(data), dataSize / 2 - 1) : u"?";
        lines.push_back(platform::text::toUtf8(path + u" [" + std::u16string(name, nameSize) + u"] = " + text));
    }
    std::vector<std::u16string> children;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(name, size);
    }
    RegCloseKey(key);
    for (const auto& child : children) dump(parent, path.empty() ? child : path + u"\\" + child, lines);
}

std::vector<std::string> classesRoot() {
    std::vector<std::string> lines;
    dump(HKEY_CLASSES_ROOT, u"", lines);
    return lines;
}

bool has(const std::vector<std::string>& lines, const std::u16string& line) {
    return std::find(lines.begin(), lines.end(), platform::text::toUtf8(line)) != lines.end();
}

std::u16string installRecord() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tesk\\TestServer", 0, KEY_READ, &key) != ERROR_SUCCESS) return u"";
    WCHAR data[256] = {};
    DWORD size = sizeof data;
    RegQueryValueExW(key, u"Install", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return data;
}

bool loaded(const std::string& module) { return GetModuleHandleA(module.c_str()) != nullptr; }

TEST(Regsvr32, RegistersTheServersKeysAndUnregistrationTakesThemAway) {
    testkit::PlatformRoot root;
    for (const char16_t* container : {u"CLSID", u"Interface", u"TypeLib"}) {  // as every machine has them
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, container, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, nullptr));
        RegCloseKey(key);
    }
    const auto before = classesRoot();
    ASSERT_EQ(0, regsvr32({"/s", kServer}).exitCode);
    const auto registered = classesRoot();
    const std::u16string path = platform::text::fromUtf8(kServer);
    const std::u16string clsidKey = u"CLSID\\" + kClsid;
    for (const std::u16string& line : std::vector<std::u16string>{
             u"Tesk.TestServer.1\\CLSID [] = " + kClsid,
             u"Tesk.TestServer [] = TestServer Class",
             u"Tesk.TestServer\\CurVer [] = Tesk.TestServer.1",
             clsidKey + u" [] = TestServer Class",
             clsidKey + u"\\ProgID [] = Tesk.TestServer.1",
             clsidKey + u"\\VersionIndependentProgID [] = Tesk.TestServer",
             clsidKey + u"\\Programmable",
             clsidKey + u"\\InprocServer32 [] = " + path,
             clsidKey + u"\\InprocServer32 [ThreadingModel] = Apartment",
             u"TypeLib\\" + kLibid + u"\\1.0 [] = Test Server 1.0 Type Library",
             u"TypeLib\\" + kLibid + u"\\1.0\\0\\linux [] = " + path,
             u"Interface\\" + kIid + u" [] = ITestServer",
             u"Interface\\" + kIid + u"\\ProxyStubClsid32 [] = {00020424-0000-0000-C000-000000000046}",
             u"Interface\\" + kIid + u"\\TypeLib [] = " + kLibid,
         })
        EXPECT_TRUE(has(registered, line)) << platform::text::toUtf8(line);

    // A second registration changes nothing; unregistration leaves the tree as it was.
    ASSERT_EQ(0, regsvr32({"/s", kServer}).exitCode);
    EXPECT_EQ(registered, classesRoot());
    ASSERT_EQ(0, regsvr32({"/u", "/s", kServer}).exitCode);
    EXPECT_EQ(before, classesRoot());
}

TEST(Regsvr32, CallsDllInstallAsAskedAndAnswersWithItsExitCodes) {
    testkit::PlatformRoot root;
    const auto before = classesRoot();
    EXPECT_EQ(0, regsvr32({"/s", "/n", "/i:first run", kServer}).exitCode);
    EXPECT_EQ(u"install first run", installRecord());
    EXPECT_EQ(before, classesRoot()) << "/n leaves DllRegisterServer uncalled";
    EXPECT_EQ(0, regsvr32({"/s", "/u", "/i", kServer}).exitCode);
    EXPECT_EQ(u"uninstall ", installRecord());

    EXPECT_EQ(1, regsvr32({"/s", "/n", kServer}).exitCode) << "/n needs /i";
    EXPECT_EQ(1, regsvr32({"/s"}).exitCode) << "no module";
    EXPECT_EQ(1, regsvr32({"/s", "/x", kServer}).exitCode) << "unknown switch";
    EXPECT_EQ(3, regsvr32({"/s", (root.path() / "missing.dll").string()}).exitCode);
    EXPECT_EQ(4, regsvr32({"/s", TESK_COM_PLAIN_MODULE}).exitCode);
    EXPECT_EQ(before, classesRoot());
}

class Activation : public RegisteredServer {};

TEST_F(Activation, ByClsidAndByProgIdTheObjectAnswersItsInterfacesOnly) {
    Ptr<IUnknown> object;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_ALL, IID_IUnknown, object.putVoid()));
    EXPECT_TRUE(object.as<ITestServer>());
    EXPECT_TRUE(object.as<IDispatch>());
    EXPECT_TRUE(object.as<ISupportErrorInfo>());
    EXPECT_FALSE(object.as<IClassFactory>());
    EXPECT_EQ(object.get(), object.as<ITestServer>().as<IUnknown>().get()) << "one identity";

    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Tesk.TestServer", &clsid));
    EXPECT_EQ(CLSID_TestServer, clsid);
    EXPECT_EQ(S_OK, CLSIDFromString(u"Tesk.TestServer.1", &clsid));
    EXPECT_EQ(CLSID_TestServer, clsid);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Tesk.Nothing", &clsid));
    LPOLESTR progId = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_TestServer, &progId));
    EXPECT_EQ(std::u16string(u"Tesk.TestServer.1"), progId);
    CoTaskMemFree(progId);

    // A version-independent ProgID that only names its current version.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Tesk.TestServer", 0, KEY_ALL_ACCESS, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(key, u"CLSID"));
    RegCloseKey(key);
    clsid = CLSID_NULL;
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Tesk.TestServer", &clsid));
    EXPECT_EQ(CLSID_TestServer, clsid);

    Ptr<ITestServer> server;
    CLSID unknown = CLSID_TestServer;
    unknown.Data1 ^= 1;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_ITestServer, server.putVoid()));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_ITestServer, server.putVoid()));
    EXPECT_EQ(E_NOINTERFACE,
              CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_ALL, IID_IClassFactory, server.putVoid()));
    EXPECT_FALSE(server);
}

TEST_F(Activation, ApartmentsArePerThreadAndCountTheirCalls) {
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();  // the S_FALSE call's
    EXPECT_TRUE(create()) << "still initialised once";

    std::thread([] {
        Ptr<ITestServer> server;
        EXPECT_EQ(CO_E_NOTINITIALIZED,
                  CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_ALL, IID_ITestServer, server.putVoid()));
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_ALL, IID_ITestServer, server.putVoid()));
        server.reset();
        CoUninitialize();
    }).join();
}

TEST_F(Activation, ObjectsMadeInsideTheServerSeeTheCallersApartmentAndErrorInfo) {
    auto server = create();
    ASSERT_TRUE(server);
    Ptr<ITestServer> sibling;
    ASSERT_EQ(S_OK, server->Sibling(sibling.put())) << "the module's copy of the layer shares the program's apartment";
    ASSERT_TRUE(sibling);
    EXPECT_EQ(S_OK, sibling->put_Count(3));

    Text description(u"disk full");
    EXPECT_EQ(HRESULT_OF(0x80042001u), server->Fail(description.get()));
    Ptr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.put())) << "set by the server's copy, read by the program's";
    Text text;
    EXPECT_EQ(S_OK, info->GetDescription(text.put()));
    EXPECT_EQ(u"disk full", text.str());
    EXPECT_EQ(S_OK, info->GetSource(text.put()));
    EXPECT_EQ(u"Tesk.TestServer", text.str());
    GUID guid{};
    EXPECT_EQ(S_OK, info->GetGUID(&guid));
    EXPECT_EQ(IID_ITestServer, guid);
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, info.put())) << "reading it took it";
    EXPECT_FALSE(info);
}

// An outer object that aggregates the server and counts its own references.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override {
        if (iid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }

    ULONG references = 1;
    Ptr<IUnknown> inner;
};

TEST_F(Activation, AnAggregatedObjectLendsItsInterfacesToItsOuterObject) {
    Outer outer;
    Ptr<ITestServer> refused;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_TestServer, &outer, CLSCTX_ALL, IID_ITestServer, refused.putVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TestServer, &outer, CLSCTX_ALL, IID_IUnknown, outer.inner.putVoid()));
    EXPECT_EQ(1u, outer.references) << "the inner unknown counts its own references";

    Ptr<ITestServer> server;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_ITestServer, server.putVoid()));
    EXPECT_EQ(2u, outer.references) << "the aggregated interface's AddRef goes to the outer object";
    Ptr<IUnknown> identity;
    ASSERT_EQ(S_OK, server->QueryInterface(IID_IUnknown, identity.putVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
    identity.reset();
    EXPECT_EQ(S_OK, server->put_Count(9));
    LONG count = 0;
    EXPECT_EQ(S_OK, server->get_Count(&count));
    EXPECT_EQ(9, count);
    server.reset();
    EXPECT_EQ(1u, outer.references);
    outer.inner.reset();  // the object goes with its inner unknown
}

TEST_F(Activation, TheServerModuleIsFreedOnceItsLastObjectIsGone) {
    auto server = create();
    ASSERT_TRUE(server);
    ASSERT_TRUE(loaded(kServer));
    CoFreeUnusedLibraries();
    EXPECT_TRUE(loaded(kServer)) << "an object is alive";
    Ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, server->GetTypeInfo(0, 0, info.put()));
    server.reset();
    CoFreeUnusedLibraries();
    EXPECT_NE(testkit::kFreedModulesGo, loaded(kServer));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr)) << "type information outlives the module that asked for it";
    EXPECT_EQ(IID_ITestServer, attr->guid);
    info->ReleaseTypeAttr(attr);

    // Loaded again on demand; the end of the last apartment frees it too.
    EXPECT_TRUE(create());
    EXPECT_TRUE(loaded(kServer));
    CoUninitialize();
    EXPECT_NE(testkit::kFreedModulesGo, loaded(kServer));
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

// A server's DllCanUnloadNow may activate (or wait on a thread of its own
// that does): the runtime asks it without holding its activation lock.
TEST_F(Activation, AServerAskedWhetherItCanGoMayActivateMeanwhile) {
    const std::u16string module = platform::text::fromUtf8(TESK_COM_REENTRANT_MODULE);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER,
                                             u"Software\\Classes\\CLSID\\{5C2B6F20-7A41-4E55-9D3B-1F0C2A6E8B01}"
                                             u"\\InprocServer32",
                                             0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                   static_cast<DWORD>((module.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    const CLSID reentrant = {0x5C2B6F20, 0x7A41, 0x4E55, {0x9D, 0x3B, 0x1F, 0x0C, 0x2A, 0x6E, 0x8B, 0x01}};
    void* factory = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              CoGetClassObject(reentrant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory));
    EXPECT_EXIT(
        {
            alarm(30);  // a runtime that waits on itself ends here
            CoFreeUnusedLibraries();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
