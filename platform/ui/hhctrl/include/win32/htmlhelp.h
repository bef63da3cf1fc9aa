// The HTML Help viewer of "hhctrl.ocx" (libhhctrl.so), for programs that
// load it by name and bind HtmlHelpW. A help file "FOLDER/NAME.chm" is the
// folder "FOLDER/NAME" holding a page per topic number ("4013.htm") and a
// default page ("index.htm"); the page is opened with the desktop's
// handler (ShellExecute "open").
#pragma once

#include "win32/types.h"

// The default page (dwData 0; a topic given by name is not supported).
inline constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
// The page of topic number dwData; a topic without its page shows the
// default page.
inline constexpr UINT HH_HELP_CONTEXT = 0x000F;

// Non-null once the page went to the desktop's handler: a handle standing
// for the help's window, which the desktop owns. Null when the help file's
// folder or its page is missing, the command is another, or no handler
// took the page. The caller's last error is left as it was: it belongs to
// the caller's copy of the layer.
using HtmlHelpWFunction = HWND (*)(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);
extern "C" HWND HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData) noexcept;
