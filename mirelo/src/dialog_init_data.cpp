// The dialog-initialisation data of a template (resource type 240).
#include "dialog_init_data.h"

#include <cstring>

#include "modal_dialog.h"
#include "win32/commctrl.h"
#include "win32/resources.h"

namespace {

constexpr std::uint16_t kAddString = 0x0403;
constexpr std::uint16_t kInsertItem = 0x1234;
constexpr std::size_t kHeaderSize = 8;

std::uint16_t wordAt(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t dwordAt(const std::uint8_t* p) { return wordAt(p) | (static_cast<std::uint32_t>(wordAt(p + 2)) << 16); }

// Whether the control took the record's text.
bool Apply(HWND dialog, const DialogInitRecord& record) {
    const auto text = reinterpret_cast<LPARAM>(record.text.c_str());
    switch (record.message) {
    case kAddString: return SendDlgItemMessageA(dialog, record.control, CB_ADDSTRING, 0, text) >= 0;
    case kInsertItem: {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT;
        item.iItem = -1;
        item.pszText = const_cast<char*>(record.text.c_str());
        return SendDlgItemMessageA(dialog, record.control, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
    }
    default: return false;
    }
}

}  // namespace

std::vector<DialogInitRecord> ReadDialogInitRecords(std::span<const std::uint8_t> data) {
    std::vector<DialogInitRecord> records;
    for (std::size_t at = 0; data.size() - at >= 2;) {
        const std::uint16_t control = wordAt(data.data() + at);
        if (control == 0 || data.size() - at < kHeaderSize) break;
        const std::uint16_t message = wordAt(data.data() + at + 2);
        const std::uint32_t length = dwordAt(data.data() + at + 4);
        at += kHeaderSize;
        if (length > data.size() - at) break;
        const auto* text = reinterpret_cast<const char*>(data.data() + at);
        records.push_back({control, message, std::string(text, strnlen(text, length))});
        at += length;
    }
    return records;
}

void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId) {
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(RT_DLGINIT_ID));
    if (!found) return;
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    if (!data) return;
    for (const auto& record : ReadDialogInitRecords({data, SizeofResource(module, found)}))
        if (!Apply(dialog, record)) return;
}
