// The messages the text progress control answers.
#pragma once

#include "win32/dialogs.h"

inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_TIMER = 0x0113;

inline constexpr UINT PBM_SETRANGE = WM_USER + 1;  // lParam: low word lower, high word upper
inline constexpr UINT PBM_SETPOS = WM_USER + 2;
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;
inline constexpr UINT PBM_STEPIT = WM_USER + 5;
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;  // lParam: optional PBRANGE*
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
inline constexpr UINT PBM_SETMARQUEE = WM_USER + 10;
inline constexpr UINT PBM_SETBKCOLOR = 0x2001;

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
