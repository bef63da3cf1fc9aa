#include "sign_policy_dlg.h"

#include "common/resource.h"
#include "win32/commctrl.h"
#include "win32/ui.h"

namespace {

constexpr int kTree = 239;
constexpr DWORD kTextTitle = 53;

// The message table's language, 0 Czech, 1 Slovak or 2 English; another
// counts as Czech.
DWORD Language() {
    const int language = TResource::Instance()->GetLanguage();
    return language >= 0 && language <= 2 ? static_cast<DWORD>(language) : 0;
}

}  // namespace

asn1view::PolicyTreeLoad TSignPolicyDlg::LoadPolicy(std::span<const std::uint8_t> der) {
    return asn1view::LoadPolicyTree(m_root, der, Language(), asn1view::ComponentDirectory());
}

void TSignPolicyDlg::OnInitDialog() {
    std::string title;
    TResource::Instance()->FormatString(title, kTextTitle);
    SetWindowTextA(m_hWnd, title.c_str());
    m_root.InsertIntoTree(nullptr, *this);
    ApplyDialogInitData(m_hWnd, ModuleInstance(), kTemplateId);
    CenterDialog(m_hWnd);
}

asn1view::TreeView::Item TSignPolicyDlg::InsertItem(Item parent, const std::string& text) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent == kRoot ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text.c_str());
    return static_cast<Item>(
        SendDlgItemMessageA(m_hWnd, kTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TSignPolicyDlg::Expand(Item item) {
    SendDlgItemMessageA(m_hWnd, kTree, TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(item));
}
