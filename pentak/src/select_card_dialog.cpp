#include "select_card_dialog.h"

#include <cmath>

#include "dialog_support.h"
#include "pentak_resource.h"
#include "win32/commctrl.h"
#include "win32/ui.h"

namespace {

constexpr int kTemplateId = 206;

// Controls of template 206.
constexpr int kListCaption = 210;
constexpr int kCardList = 211;

// Message-table texts.
constexpr int kCancelLabel = 0;
constexpr int kTitle = 15;
constexpr int kListLabel = 16;
constexpr int kReaderColumn = 17;
constexpr int kCardColumn = 18;
constexpr int kProviderColumn = 19;

// The columns and the parts of the list's width they take.
struct Column {
    int textId;
    double share;
};
constexpr Column kColumns[] = {{kReaderColumn, 0.5}, {kCardColumn, 0.25}, {kProviderColumn, 0.24}};

// The caption, the list of the cards and the two answers. The provider's
// column, a quarter of the list less a little, holds the longer names of
// card providers ("Gemplus GemSAFE Card CSP v1.0") whole.
platform::ui::DialogTemplate CardTemplate() {
    using platform::ui::ControlKind;
    return {kTemplateId, 520, 150, "MS Shell Dlg", 8, "Zvolte kartu",
            {{kListCaption, ControlKind::Static, "Seznam karet:", 7, 7, 506, 8},
             {kCardList, ControlKind::ListView, "", 7, 18, 506, 105, WS_TABSTOP},
             {IDOK, ControlKind::DefaultButton, "OK", 409, 129, 50, 14, WS_TABSTOP},
             {IDCANCEL, ControlKind::Button, "&Storno", 463, 129, 50, 14, WS_TABSTOP}}};
}

void SetCell(HWND list, int row, int column, const std::u16string& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<LPWSTR>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

TSelectCardDlg::TSelectCardDlg(std::vector<SmartCardOffer> cards) : m_cards(std::move(cards)) {}

int TSelectCardDlg::DoModal(HWND parent) {
    static std::once_flag declared;
    m_selected = -1;
    return LibraryDialog::Run(*this, declared, CardTemplate(), parent);
}

void TSelectCardDlg::OnInitDialog(HWND dialog) {
    SetWindowTextW(dialog, TPentakResource::Instance()->GetString(kTitle).c_str());
    SetItemText(dialog, kListCaption, kListLabel);
    SetItemText(dialog, IDCANCEL, kCancelLabel);

    const HWND list = GetDlgItem(dialog, kCardList);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT area{};
    GetClientRect(list, &area);
    for (int i = 0; i < 3; ++i) {
        const std::u16string title = TPentakResource::Instance()->GetString(kColumns[i].textId);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = static_cast<int>(std::floor(kColumns[i].share * (area.right - area.left)));
        column.pszText = const_cast<LPWSTR>(title.c_str());
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(m_cards[i].reader.c_str());
        const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        SetCell(list, row, 1, m_cards[i].card);
        SetCell(list, row, 2, m_cards[i].provider);
    }
    if (!m_cards.empty()) {
        LVITEMW selected{};
        selected.state = LVIS_SELECTED | LVIS_FOCUSED;
        selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
    }
    EnableWindow(GetDlgItem(dialog, IDOK), m_cards.empty() ? FALSE : TRUE);
    PostMessageW(dialog, kBringToFront, 0, 0);
}

bool TSelectCardDlg::OnMessage(HWND dialog, UINT message, WPARAM wParam) {
    if (message == kBringToFront) {
        SetFocus(GetDlgItem(dialog, kCardList));
        BringToFront(dialog);
        return true;
    }
    // The close box ends the choice without a card, as OK would end it.
    if (message == WM_CLOSE) {
        EndDialog(dialog, IDOK);
        return true;
    }
    if (message != WM_COMMAND) return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        m_selected = static_cast<int>(
            SendDlgItemMessageW(dialog, kCardList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        EndDialog(dialog, IDOK);
        return true;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return true;
    default: return false;
    }
}
