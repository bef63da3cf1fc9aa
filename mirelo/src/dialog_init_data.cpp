// The dialog-initialisation data of a template (resource type 240).
#include <cstring>
#include <string>

#include "modal_dialog.h"
#include "win32/resources.h"

namespace {

constexpr WORD kInitDataType = 240;
constexpr WORD kAddString = 0x0403;
constexpr std::size_t kHeaderSize = 8;

WORD wordAt(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD dwordAt(const BYTE* p) { return wordAt(p) | (static_cast<DWORD>(wordAt(p + 2)) << 16); }

}  // namespace

void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId) {
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(kInitDataType));
    if (!found) return;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const std::size_t size = SizeofResource(module, found);
    if (!data) return;
    for (std::size_t at = 0; at + 2 <= size;) {
        const WORD control = wordAt(data + at);
        if (control == 0 || at + kHeaderSize > size) return;
        const WORD message = wordAt(data + at + 2);
        const DWORD length = dwordAt(data + at + 4);
        at += kHeaderSize;
        if (message != kAddString || length > size - at) return;
        const auto* text = reinterpret_cast<const char*>(data + at);
        const std::string item(text, strnlen(text, length));
        if (SendDlgItemMessageA(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())) < 0)
            return;
        at += length;
    }
}
