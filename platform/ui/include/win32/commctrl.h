// The common controls of template dialogs: the tree view, its items
// inserted last under a parent (TVM_INSERTITEM) and expanded (TVM_EXPAND),
// the progress bar and the extended combo box, sent their messages with
// SendMessage or SendDlgItemMessage.
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
