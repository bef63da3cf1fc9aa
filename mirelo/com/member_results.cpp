#include "member_results.h"

#include "common/codepage.h"
#include "platform/ansi_name.h"
#include "platform/text.h"
#include "signer.h"
#include "win32/error.h"
#include "win32/message.h"

HRESULT ResultOfFlag(bool succeeded) {
    if (succeeded) return S_OK;
    const auto error = static_cast<LONG>(GetLastError());
    if (error == 0) return NTE_FAIL;
    if (error > 0) return static_cast<HRESULT>((static_cast<DWORD>(error) & 0xFFFF) | 0x80070000);
    return error;
}

std::string NarrowOf(BSTR text) {
    if (!text) return {};
    return WideToMultiByte(text, static_cast<int>(SysStringLen(text)));
}

std::string MaskOf(BSTR text) {
    if (!text) return {};
    auto mask = platform::text::toNarrowExact(std::u16string_view(text, SysStringLen(text)), CP_ACP);
    if (!mask) throw RefusedName{};
    return std::move(*mask);
}

std::string NameOf(BSTR text) {
    std::string name = MaskOf(text);
    if (platform::paths::holdsWildcard(name)) throw RefusedName{};
    return name;
}

bool RecordRefusedName(TSigner& signer) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_INVALID_NAME, 0, text,
                   sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    SetLastError(ERROR_INVALID_NAME);
    signer.SetError(ERROR_INVALID_NAME, message);
    return false;
}

HRESULT HandOut(const std::string& narrow, BSTR* out) {
    *out = nullptr;
    if (narrow.empty()) return S_OK;
    const std::u16string wide = MultiByteToWide(narrow, CP_ACP);
    if (wide.empty()) return S_OK;
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
