// The text-view control of a dialog template (ControlKind::TextView):
// read-only plain text, shown whole and never as markup, in a font scaled
// by a zoom percentage, and printable. WM_SETTEXT / WM_GETTEXT carry its
// text; these messages its zoom and printing.
#pragma once

#include "win32/dialogs.h"

inline constexpr int TXV_MINZOOM = 10;
inline constexpr int TXV_MAXZOOM = 400;

// wParam: the zoom in percent, from TXV_MINZOOM to TXV_MAXZOOM; TRUE, or
// FALSE and the zoom unchanged for another value. It starts at 100.
inline constexpr UINT TXM_SETZOOM = WM_USER + 0x501;
// The zoom in percent.
inline constexpr UINT TXM_GETZOOM = WM_USER + 0x502;
// lParam: the job name (ANSI for SendMessageA, UTF-16 for SendMessageW).
// Offers the print dialog and prints the text at its actual size (zoom
// 100) as one job of that name; the copies printed, or 0: the user
// cancelled (last error 0) or nothing can be printed (the last error says
// why).
inline constexpr UINT TXM_PRINT = WM_USER + 0x503;
