// GUID texts and the functions that read and write them.
#include "guid_text.h"

#include <cstring>

#include "task_memory.h"
#include "platform/boundary.h"
#include "win32/com.h"

namespace platform::com {

namespace {

constexpr char16_t kHex[] = u"0123456789ABCDEF";
constexpr std::size_t kGuidChars = 38;

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

void appendHex(std::u16string& out, unsigned long long value, int digits) {
    for (int i = digits - 1; i >= 0; --i) out += kHex[(value >> (4 * i)) & 0xF];
}

// Reads `digits` hex digits at `at`.
std::optional<unsigned long long> readHex(std::u16string_view text, std::size_t at, int digits) {
    unsigned long long value = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = hexValue(text[at + i]);
        if (v < 0) return std::nullopt;
        value = (value << 4) | static_cast<unsigned>(v);
    }
    return value;
}

}  // namespace

std::u16string guidText(const GUID& guid) {
    std::u16string out = u"{";
    appendHex(out, guid.Data1, 8);
    out += u'-';
    appendHex(out, guid.Data2, 4);
    out += u'-';
    appendHex(out, guid.Data3, 4);
    out += u'-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) out += u'-';
        appendHex(out, guid.Data4[i], 2);
    }
    out += u'}';
    return out;
}

std::optional<GUID> parseGuid(std::u16string_view text) {
    if (text.size() != kGuidChars || text.front() != u'{' || text.back() != u'}') return std::nullopt;
    if (text[9] != u'-' || text[14] != u'-' || text[19] != u'-' || text[24] != u'-') return std::nullopt;
    GUID guid{};
    const auto d1 = readHex(text, 1, 8);
    const auto d2 = readHex(text, 10, 4);
    const auto d3 = readHex(text, 15, 4);
    if (!d1 || !d2 || !d3) return std::nullopt;
    guid.Data1 = static_cast<DWORD>(*d1);
    guid.Data2 = static_cast<WORD>(*d2);
    guid.Data3 = static_cast<WORD>(*d3);
    const std::size_t starts[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        const auto byte = readHex(text, starts[i], 2);
        if (!byte) return std::nullopt;
        guid.Data4[i] = static_cast<BYTE>(*byte);
    }
    return guid;
}

}  // namespace platform::com

using namespace platform::com;


int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) noexcept {
    const std::u16string text = guidText(rguid);
    if (!lpsz || cchMax < static_cast<int>(text.size() + 1)) return 0;
    std::memcpy(lpsz, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
    return static_cast<int>(text.size() + 1);
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) noexcept {
    if (!lplpsz) return E_INVALIDARG;
    return platform::winHr([&] {
        *lplpsz = taskMemoryCopy(guidText(rclsid));
        return S_OK;
    });
}

HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) noexcept { return StringFromCLSID(rclsid, lplpsz); }

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) noexcept {
    if (!lpiid) return E_INVALIDARG;
    if (!lpsz) {
        *lpiid = IID_NULL;
        return S_OK;
    }
    const auto guid = parseGuid(lpsz);
    if (!guid) return E_INVALIDARG;
    *lpiid = *guid;
    return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) noexcept {
    if (!pclsid) return E_INVALIDARG;
    if (!lpsz) {
        *pclsid = CLSID_NULL;
        return S_OK;
    }
    if (const auto guid = parseGuid(lpsz)) {
        *pclsid = *guid;
        return S_OK;
    }
    if (lpsz[0] != u'{' && SUCCEEDED(CLSIDFromProgID(lpsz, pclsid))) return S_OK;
    *pclsid = CLSID_NULL;
    return CO_E_CLASSSTRING;
}
