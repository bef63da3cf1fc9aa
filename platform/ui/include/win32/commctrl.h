// The common controls of template dialogs: the tree view, its items
// inserted last under a parent (TVM_INSERTITEM) and expanded (TVM_EXPAND),
// the progress bar, the extended combo box and the list view, sent their
// messages with SendMessage or SendDlgItemMessage.
#pragma once

#include "win32/dialogs.h"

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;

inline const HTREEITEM TVI_ROOT = reinterpret_cast<HTREEITEM>(static_cast<LONG_PTR>(-0x10000));
inline const HTREEITEM TVI_FIRST = reinterpret_cast<HTREEITEM>(static_cast<LONG_PTR>(-0x0FFFF));
inline const HTREEITEM TVI_LAST = reinterpret_cast<HTREEITEM>(static_cast<LONG_PTR>(-0x0FFFE));

inline constexpr UINT TVIF_TEXT = 0x0001;
inline constexpr UINT TVIF_IMAGE = 0x0002;
inline constexpr UINT TVIF_SELECTEDIMAGE = 0x0020;

struct TVITEMA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};
struct TVITEMW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};
struct TVINSERTSTRUCTA {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEMA item;
};
struct TVINSERTSTRUCTW {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEMW item;
};

inline constexpr UINT TV_FIRST = 0x1100;
// lParam a TVINSERTSTRUCT; the new item's handle, null when the parent is
// no item of the control or the place is other than TVI_LAST. The text is
// the item's with TVIF_TEXT, else empty.
inline constexpr UINT TVM_INSERTITEMA = TV_FIRST + 0;
inline constexpr UINT TVM_INSERTITEMW = TV_FIRST + 50;
// wParam TVE_*, lParam the item; FALSE for no item of the control.
inline constexpr UINT TVM_EXPAND = TV_FIRST + 2;
inline constexpr WPARAM TVE_COLLAPSE = 0x0001;
inline constexpr WPARAM TVE_EXPAND = 0x0002;
inline constexpr WPARAM TVE_TOGGLE = 0x0003;

// The progress bar ("msctls_progress32", ControlKind::ProgressBar): a
// position within a range, 0 to 100 at first, moved by a step (10 at
// first); STEPIT past the top starts again at the bottom. In the marquee
// style (PBS_MARQUEE in the template) PBM_SETMARQUEE runs a block to and
// fro instead, moved every lParam milliseconds (0: 30).
inline constexpr DWORD PBS_MARQUEE = platform::ui::kStyleMarquee;
inline constexpr UINT PBM_SETRANGE = WM_USER + 1;  // lParam: low word the bottom, high word the top
inline constexpr UINT PBM_SETPOS = WM_USER + 2;    // returns the position before
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;  // returns the step before
inline constexpr UINT PBM_STEPIT = WM_USER + 5;   // returns the position before
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr UINT PBM_SETMARQUEE = WM_USER + 10;  // wParam: run or stop

// The extended combo box ("ComboBoxEx32", ControlKind::ComboBoxEx): a
// drop-down list whose items are inserted by CBEM_INSERTITEM (lParam a
// COMBOBOXEXITEM; iItem the place, -1 the end; the text is the item's
// with CBEIF_TEXT, else empty; images are not shown). It answers
// CBEM_INSERTITEM with the new item's index, CB_ERR for a place past the
// end; CB_GETCOUNT, CB_GETCURSEL and CB_SETCURSEL as a drop-down list
// does, CB_ADDSTRING with CB_ERR.
inline constexpr UINT CBEIF_TEXT = 0x00000001;
struct COMBOBOXEXITEMA {
    UINT mask;
    INT_PTR iItem;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int iOverlay;
    int iIndent;
    LPARAM lParam;
};
struct COMBOBOXEXITEMW {
    UINT mask;
    INT_PTR iItem;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int iOverlay;
    int iIndent;
    LPARAM lParam;
};
inline constexpr UINT CBEM_INSERTITEMA = WM_USER + 1;
inline constexpr UINT CBEM_INSERTITEMW = WM_USER + 11;

// The list view ("SysListView32", ControlKind::ListView), in its report
// view: rows of texts under columns, one row selected at most (as in the
// single-selection style). A selection by the user sends no notification;
// the procedure asks for it.
inline constexpr UINT LVM_FIRST = 0x1000;
// The rows' count.
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
// wParam the row to start after (-1: from the first), lParam LVNI_*: the
// next row, selected with LVNI_SELECTED; -1 when there is none.
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
inline constexpr LPARAM LVNI_ALL = 0x0000;
inline constexpr LPARAM LVNI_SELECTED = 0x0002;
// wParam the row (-1: every row), lParam an LVITEM whose stateMask says
// which of its state bits count: LVIS_SELECTED selects the row or takes
// its selection away (every row only loses it); LVIS_FOCUSED is kept by
// the backend. FALSE for no row of the control.
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
// wParam the bits that change (0: all), lParam their values; returns the
// style before. LVS_EX_FULLROWSELECT shows the whole row selected.
inline constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
inline constexpr DWORD LVS_EX_FULLROWSELECT = platform::ui::kListViewFullRowSelect;
// lParam an LVITEM with iItem the place (past the end: the end) and
// iSubItem 0; its text (LVIF_TEXT) is the first column's, its state
// (LVIF_STATE) may select it. Returns the row's index, -1 for another
// iSubItem.
inline constexpr UINT LVM_INSERTITEMW = LVM_FIRST + 77;
// wParam the place (past the end: the end), lParam an LVCOLUMN: its title
// (LVCF_TEXT) and width in pixels (LVCF_WIDTH); texts are shown from the
// left (LVCFMT_LEFT) whatever the format. Returns the column's index.
inline constexpr UINT LVM_INSERTCOLUMNW = LVM_FIRST + 97;
// wParam the row, lParam an LVITEM: the text of column iSubItem. FALSE
// for no row or column of the control.
inline constexpr UINT LVM_SETITEMTEXTW = LVM_FIRST + 116;

inline constexpr UINT LVCF_FMT = 0x0001;
inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr int LVCFMT_LEFT = 0x0000;
struct LVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};

inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_STATE = 0x0008;
struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
