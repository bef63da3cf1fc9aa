#include "platform/buffers.h"

#include <cstring>

#include "platform/win_error.h"

namespace platform {

void copyOut(std::span<const BYTE> value, BYTE* pb, DWORD* pcb, DWORD shortCode) {
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
    const DWORD room = *pcb;
    *pcb = static_cast<DWORD>(value.size());
    if (!pb) return;
    if (room < value.size()) throw WinError(shortCode, "buffer too small");
    if (!value.empty()) std::memcpy(pb, value.data(), value.size());
}

namespace {
template <class Char>
void copyText(std::basic_string_view<Char> value, Char* psz, DWORD* pcch, DWORD shortCode) {
    if (!pcch) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
    const DWORD room = *pcch;
    const auto needed = static_cast<DWORD>(value.size() + 1);
    *pcch = needed;
    if (!psz) return;
    if (room < needed) throw WinError(shortCode, "buffer too small");
    std::memcpy(psz, value.data(), value.size() * sizeof(Char));
    psz[value.size()] = Char{};
}
}  // namespace

void copyOutText(std::string_view value, char* psz, DWORD* pcch, DWORD shortCode) {
    copyText(value, psz, pcch, shortCode);
}

void copyOutText(std::u16string_view value, WCHAR* psz, DWORD* pcch, DWORD shortCode) {
    copyText(value, psz, pcch, shortCode);
}

}  // namespace platform
