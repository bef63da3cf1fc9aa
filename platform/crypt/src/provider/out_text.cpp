#include "out_text.h"

#include <span>
#include <string>

#include "platform/buffers.h"
#include "platform/text.h"

namespace platform::crypt::provider {

void copyOutAnsi(std::u16string_view text, BYTE* pb, DWORD* pcb) {
    const std::string ansi = text::toNarrow(text, CP_ACP);
    copyOut({reinterpret_cast<const BYTE*>(ansi.c_str()), ansi.size() + 1}, pb, pcb);
}

void copyOutWideBytes(std::u16string_view text, BYTE* pb, DWORD* pcb) {
    const std::u16string wide(text);
    copyOut({reinterpret_cast<const BYTE*>(wide.c_str()), (wide.size() + 1) * sizeof(char16_t)}, pb, pcb);
}

void copyOutDword(DWORD value, BYTE* pb, DWORD* pcb) {
    copyOut({reinterpret_cast<const BYTE*>(&value), sizeof value}, pb, pcb);
}

}  // namespace platform::crypt::provider
