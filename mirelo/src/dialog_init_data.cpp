// The dialog-initialisation data of a template (resource type 240).
#include "dialog_init_records.h"
#include "modal_dialog.h"
#include "win32/commctrl.h"
#include "win32/resources.h"

namespace {

constexpr std::uint16_t kAddString = 0x0403;
constexpr std::uint16_t kInsertItem = 0x1234;

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

void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId) {
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(RT_DLGINIT_ID));
    if (!found) return;
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    if (!data) return;
    for (const auto& record : ReadDialogInitRecords({data, SizeofResource(module, found)}))
        if (!Apply(dialog, record)) return;
}
