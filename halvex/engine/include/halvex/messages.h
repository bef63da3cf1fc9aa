// Messages to the user: message boxes, error texts from the string table
// (error code N is string 28800 + N) and the system's error text, each
// error shown also copied into the log.
#pragma once

#include <functional>
#include <string>

#include "win32/types.h"

namespace halvex {

// The main window that owns message boxes (null: the desktop, with the
// program's name as caption) and what runs before each box is shown (the
// shell hides its busy window there).
void SetMessageBoxHooks(HWND mainWindow, std::function<void()> beforeShow);

// Shows the text with caption "Halvex" over the main window, or over the
// desktop with the program's name; the button chosen.
int AppMessageBox(const std::u16string& text, UINT style);

// For codes above 4000: string 28800 + code formatted with the arguments
// (cut to 1,023 characters), followed, when asked, by "\n\nKód chyby: "
// and the code. Empty for 4000 and below.
std::u16string FormatErrorMessage(int code, bool withCodeLine, ...);

// "Číslo systémové chyby: 0x%08X (%u)" and "- " with the system's text for
// the thread's last error; empty when it is 0.
std::u16string GetSystemErrorText();

// Composes text, the error message of code (when not 0) and the system's
// error text (when asked and there is one), shows it with an error icon
// unless silent, and logs it between banner lines (silent: alone), every
// double line feed made single. The text is never used as a format.
void ErrorBox(const std::u16string& text, int code, bool withSystemError, bool silent);

}  // namespace halvex
