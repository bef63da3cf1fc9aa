// Class registration as the activation functions read it.
#include "class_registry.h"

#include "guid_text.h"
#include "platform/boundary.h"
#include "reg_key.h"
#include "task_memory.h"

namespace platform::com {

std::u16string inprocServerOf(const CLSID& clsid) {
    const RegKey server = RegKey::open(HKEY_CLASSES_ROOT, u"CLSID\\" + guidText(clsid) + u"\\InprocServer32");
    const auto path = server.text(nullptr);
    if (!path || path->empty()) throw WinError(REGDB_E_CLASSNOTREG, "no in-process server registered");
    return *path;
}

}  // namespace platform::com

using namespace platform::com;

namespace {

constexpr int kMaxCurVerHops = 8;  // a CurVer chain that loops ends here

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) noexcept {
    if (!lpszProgID || !lpclsid) return E_INVALIDARG;
    return platform::winHr([&] {
        std::u16string progId = lpszProgID;
        for (int hop = 0; hop < kMaxCurVerHops && !progId.empty(); ++hop) {
            const RegKey key = RegKey::open(HKEY_CLASSES_ROOT, progId);
            if (!key) break;
            if (const auto text = RegKey::open(key.get(), u"CLSID").text(nullptr)) {
                const auto guid = parseGuid(*text);
                if (!guid) return CO_E_CLASSSTRING;
                *lpclsid = *guid;
                return S_OK;
            }
            const auto next = RegKey::open(key.get(), u"CurVer").text(nullptr);
            if (!next || *next == progId) break;
            progId = *next;
        }
        *lpclsid = CLSID_NULL;
        return CO_E_CLASSSTRING;
    });
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) noexcept {
    if (!lplpszProgID) return E_INVALIDARG;
    *lplpszProgID = nullptr;
    return platform::winHr([&] {
        const auto progId = RegKey::open(HKEY_CLASSES_ROOT, u"CLSID\\" + guidText(clsid) + u"\\ProgID").text(nullptr);
        if (!progId) return REGDB_E_CLASSNOTREG;
        *lplpszProgID = taskMemoryCopy(*progId);
        return S_OK;
    });
}
