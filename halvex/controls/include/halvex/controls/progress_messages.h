// The messages the text progress control answers: the progress bar's
// (those the layer's bar knows too come from win32/commctrl.h) and its own.
#pragma once

#include "win32/commctrl.h"
#include "win32/messages.h"

inline constexpr UINT WM_ERASEBKGND = 0x0014;

inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;  // lParam: optional PBRANGE*
inline constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
inline constexpr UINT PBM_SETBKCOLOR = 0x2001;
// A bar that fills from the bottom, its text turned.
inline constexpr DWORD PBS_VERTICAL = 0x0004;

struct PBRANGE {
    int iLow;
    int iHigh;
};

// The control's own messages.
inline constexpr UINT TPC_SETTEXTCOLOR = WM_USER + 111;
inline constexpr UINT TPC_GETTEXTCOLOR = WM_USER + 112;
inline constexpr UINT TPC_SETTEXTBARCOLOR = WM_USER + 113;
inline constexpr UINT TPC_GETTEXTBARCOLOR = WM_USER + 114;
inline constexpr UINT TPC_SHOWPERCENT = WM_USER + 115;
inline constexpr UINT TPC_ALIGNTEXT = WM_USER + 116;  // 0 left, 1 centre, 2 right
inline constexpr UINT TPC_SETMARQUEEBLOCK = WM_USER + 117;  // percent of the length
inline constexpr UINT TPC_GETBARCOLOR = WM_USER + 123;
inline constexpr UINT TPC_GETBKCOLOR = WM_USER + 124;

// A colour not set by the caller: the system colour stands for it.
inline constexpr COLORREF CLR_DEFAULT_COLOR = 0xFF000000;
// The marquee's timer.
inline constexpr WPARAM kMarqueeTimer = 1;
