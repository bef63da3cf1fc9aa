// Loading type libraries (a module's TYPELIB resource, or a file that holds
// the binary form alone) and their registration under HKCR\TypeLib and
// HKCR\Interface.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "guid_text.h"
#include "platform/boundary.h"
#include "platform/com/ptr.h"
#include "platform/text.h"
#include "reg_key.h"
#include "runtime.h"
#include "type_library.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace platform::com {

namespace {

constexpr std::size_t kMaxLibraryFile = 16u << 20;
const std::u16string kPlatformSubkey = u"linux";

[[noreturn]] void cannotLoad(const std::string& why) { throw WinError(TYPE_E_CANTLOADLIBRARY, why); }

// "path\3" names resource TYPELIB 3 of the module at path.
std::pair<std::u16string, WORD> splitResourceNumber(std::u16string name) {
    const auto slash = name.find_last_of(u"\\/");
    if (slash == std::u16string::npos || slash + 1 == name.size() || name.size() - slash > 6) return {name, 1};
    unsigned number = 0;
    for (std::size_t i = slash + 1; i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9') return {name, 1};
        number = number * 10 + (name[i] - u'0');
    }
    if (number == 0 || number > 0xFFFF) return {name, 1};
    return {name.substr(0, slash), static_cast<WORD>(number)};
}

std::optional<std::vector<BYTE>> readPlainFile(const std::u16string& name) {
    std::ifstream in(text::toUtf8(name), std::ios::binary);
    if (!in) return std::nullopt;
    char head[4] = {};
    in.read(head, sizeof head);
    if (in.gcount() == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::size_t>(in.tellg());
    if (size > kMaxLibraryFile) cannotLoad("type library file too large");
    in.seekg(0);
    std::vector<BYTE> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return bytes;
}

std::vector<BYTE> readModuleResource(const std::u16string& name, WORD number) {
    const HMODULE module = LoadLibraryW(name.c_str());
    if (!module) cannotLoad("neither a type library nor a module");
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(number), u"TYPELIB");
    std::vector<BYTE> bytes;
    if (found) {
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        if (data) bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    if (!found) cannotLoad("the module carries no type library");
    return bytes;
}

std::u16string hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", value);
    return text::fromUtf8(buffer);
}

std::u16string versionKey(WORD major, WORD minor) { return hex(major) + u"." + hex(minor); }

std::optional<unsigned> parseHex(std::u16string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char16_t c : text) {
        const int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// The registered version of that major number with the highest minor one
// at least `minor`.
std::optional<std::u16string> registeredVersion(const RegKey& library, WORD major, WORD minor) {
    std::optional<std::u16string> best;
    unsigned bestMinor = 0;
    for (const auto& name : library.subkeys()) {
        const auto dot = name.find(u'.');
        if (dot == std::u16string::npos) continue;
        const auto ma = parseHex(std::u16string_view(name).substr(0, dot));
        const auto mi = parseHex(std::u16string_view(name).substr(dot + 1));
        if (ma && mi && *ma == major && *mi >= minor && (!best || *mi > bestMinor)) {
            best = name;
            bestMinor = *mi;
        }
    }
    return best;
}

struct InterfaceEntry {
    GUID iid;
    std::u16string name;
};

std::vector<InterfaceEntry> dualInterfacesOf(ITypeLib* library) {
    std::vector<InterfaceEntry> found;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        Ptr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr))) continue;
        const bool dual = (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
        const GUID iid = attr->guid;
        info->ReleaseTypeAttr(attr);
        BSTR name = nullptr;
        if (dual && SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)))
            found.push_back({iid, name ? std::u16string(name, SysStringLen(name)) : std::u16string()});
        SysFreeString(name);
    }
    return found;
}

std::u16string takeText(BSTR text) {
    std::u16string out = text ? std::u16string(text, SysStringLen(text)) : std::u16string();
    SysFreeString(text);
    return out;
}

}  // namespace

namespace own {

HRESULT loadTypeLib(const OLECHAR* file, ITypeLib** library) noexcept {
    return winHr([&] {
        const auto [name, number] = splitResourceNumber(file);
        auto bytes = readPlainFile(file);
        if (!bytes) bytes = readModuleResource(name, number);
        typelib::Library decoded;
        try {
            decoded = typelib::decode(*bytes);
        } catch (const typelib::FormatError& e) {
            cannotLoad(e.what());
        }
        *library = makeTypeLibrary(std::move(decoded)).detach();
        return S_OK;
    });
}

}  // namespace own

}  // namespace platform::com

using namespace platform::com;

HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib) noexcept {
    if (!szFile || !pptlib) return E_INVALIDARG;
    *pptlib = nullptr;
    return runtime().loadTypeLib(szFile, pptlib);
}

HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib) noexcept {
    if (!pptlib) return E_INVALIDARG;
    *pptlib = nullptr;
    return platform::winHr([&] {
        const RegKey library = RegKey::open(HKEY_CLASSES_ROOT, u"TypeLib\\" + guidText(rguid));
        const auto version = registeredVersion(library, wVerMajor, wVerMinor);
        if (!version) return TYPE_E_LIBNOTREGISTERED;
        const RegKey versionKey = RegKey::open(library.get(), *version);
        for (const LCID tried : {lcid, static_cast<LCID>(lcid & 0x3FF), LCID{0}}) {
            const RegKey locale = RegKey::open(versionKey.get(), hex(tried));
            for (const char16_t* platformName : {u"linux", u"win32"})
                if (const auto path = RegKey::open(locale.get(), platformName).text(nullptr))
                    return LoadTypeLib(path->c_str(), pptlib);
        }
        return TYPE_E_LIBNOTREGISTERED;
    });
}

HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) noexcept {
    if (!ptlib || !szFullPath) return E_INVALIDARG;
    return platform::winHr([&] {
        TLIBATTR* attr = nullptr;
        if (const HRESULT hr = ptlib->GetLibAttr(&attr); FAILED(hr)) return hr;
        const TLIBATTR lib = *attr;
        ptlib->ReleaseTLibAttr(attr);
        BSTR nameText = nullptr;
        BSTR helpText = nullptr;
        ptlib->GetDocumentation(-1, &nameText, &helpText, nullptr, nullptr);
        const std::u16string name = takeText(nameText);
        const std::u16string help = takeText(helpText);
        const std::u16string libid = guidText(lib.guid);
        const std::u16string path = szFullPath;
        std::u16string helpDir = szHelpDir ? szHelpDir : path.substr(0, path.find_last_of(u"\\/") + 1);

        const std::u16string versionPath = u"TypeLib\\" + libid + u"\\" + versionKey(lib.wMajorVerNum, lib.wMinorVerNum);
        RegKey::create(HKEY_CLASSES_ROOT, versionPath).setText(nullptr, help.empty() ? name : help);
        RegKey::create(HKEY_CLASSES_ROOT, versionPath + u"\\" + hex(lib.lcid) + u"\\" + kPlatformSubkey)
            .setText(nullptr, path);
        RegKey::create(HKEY_CLASSES_ROOT, versionPath + u"\\FLAGS")
            .setText(nullptr, hex(lib.wLibFlags & ~LIBFLAG_FHASDISKIMAGE));
        RegKey::create(HKEY_CLASSES_ROOT, versionPath + u"\\HELPDIR").setText(nullptr, helpDir);

        const std::u16string marshaller = guidText(CLSID_PSOAInterface);
        for (const auto& dual : dualInterfacesOf(ptlib)) {
            const std::u16string key = u"Interface\\" + guidText(dual.iid);
            RegKey::create(HKEY_CLASSES_ROOT, key).setText(nullptr, dual.name);
            RegKey::create(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid").setText(nullptr, marshaller);
            RegKey::create(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid32").setText(nullptr, marshaller);
            const RegKey typeLib = RegKey::create(HKEY_CLASSES_ROOT, key + u"\\TypeLib");
            typeLib.setText(nullptr, libid);
            typeLib.setText(u"Version", versionKey(lib.wMajorVerNum, lib.wMinorVerNum));
        }
        return S_OK;
    });
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND) noexcept {
    return platform::winHr([&] {
        const std::u16string libid = guidText(libID);
        const std::u16string libraryPath = u"TypeLib\\" + libid;
        const std::u16string versionPath = libraryPath + u"\\" + versionKey(wVerMajor, wVerMinor);
        if (!RegKey::open(HKEY_CLASSES_ROOT, versionPath)) return TYPE_E_REGISTRYACCESS;
        // The interfaces this version registered, as far as it still loads.
        Ptr<ITypeLib> library;
        if (SUCCEEDED(LoadRegTypeLib(libID, wVerMajor, wVerMinor, lcid, library.put())))
            for (const auto& dual : dualInterfacesOf(library.get())) {
                const std::u16string key = u"Interface\\" + guidText(dual.iid);
                if (RegKey::open(HKEY_CLASSES_ROOT, key + u"\\TypeLib").text(nullptr) == libid)
                    deleteTree(HKEY_CLASSES_ROOT, key);
            }
        deleteTree(HKEY_CLASSES_ROOT, versionPath);
        if (RegKey::open(HKEY_CLASSES_ROOT, libraryPath).subkeys().empty()) deleteTree(HKEY_CLASSES_ROOT, libraryPath);
        return S_OK;
    });
}
