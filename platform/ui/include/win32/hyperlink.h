// A static text of a template dialog turned into a hyperlink, as the
// enrolment library and the signer do for the certificate they name: its
// text dark blue (RGB(0, 0, 192), whatever colour the dialog procedure
// answers WM_CTLCOLORSTATIC with), underlined while the pointer is over it
// under the hand pointer, and a click on it the dialog's WM_COMMAND with
// the control's id and STN_CLICKED (the static gains SS_NOTIFY). The link
// stays one until its dialog ends. Turned before its dialog is shown
// (WM_INITDIALOG), as the GTK backend makes the link's widget then.
#pragma once

#include "win32/dialogs.h"

inline constexpr COLORREF kHyperlinkColor = RGB(0, 0, 192);

// TRUE (1); FALSE with ERROR_INVALID_WINDOW_HANDLE for a handle that is no
// control of a live dialog, ERROR_INVALID_PARAMETER for a control that is
// no static, ERROR_CONTROL_ID_NOT_FOUND for an id the dialog lacks.
BOOL ConvertStaticToHyperlink(HWND control) noexcept;
BOOL ConvertStaticToHyperlink(HWND dialog, int controlId) noexcept;
