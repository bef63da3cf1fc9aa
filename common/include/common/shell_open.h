// Opening a file with the program the desktop associates with it.
#pragma once

#include "win32/types.h"

// Error numbers of the message table: no or an incomplete association, and
// any other failure of the shell.
inline constexpr int kShellNoAssociation = 7104;
inline constexpr int kShellFailed = 7105;

// 0 when the shell started the file's program for verb. A failure is logged
// at level 1; with no association and the verb "open" the Open With chooser
// is offered for the file instead, and 0 is returned when a program was
// chosen and started. Otherwise kShellNoAssociation or kShellFailed.
int OpenWithShell(HWND window, const char* path, const char* verb);
