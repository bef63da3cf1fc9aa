// Small pieces shared by the signing component's confirmation dialogs.
#pragma once

#include <initializer_list>
#include <string>

#include "win32/types.h"

// The message table's text of the id in the current language.
std::string DialogText(DWORD id);

// Shows or hides each control of the dialog.
void ShowDialogControls(HWND dialog, std::initializer_list<int> controls, bool shown);

// Asks the shell to open the file; a failure is shown in a warning box
// with the text of its number and the path.
void OpenFileFromDialog(HWND dialog, const std::string& path);

// Brings the dialog in front of other windows without moving or sizing it.
void BringDialogToFront(HWND dialog);
