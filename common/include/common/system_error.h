// Texts for the user and for the log: string resources of this module, the
// component's message boxes, the text of the thread's last system error, and
// the system version check.
#pragma once

#include <string>

#include "win32/types.h"

// String resource id of the component's name, the title of its boxes.
inline constexpr UINT IDS_APP_TITLE = 100;

// The string resource of this module (at most 2,047 characters; empty when
// it is missing). The thread's last error is the same afterwards.
std::string LoadResString(UINT id);

// A message box owned by the desktop window with the component's name as
// title; the button that closed it.
int AppMessageBox(const std::string& text, UINT flags);
// Yes, No and Cancel with the warning icon.
int AppQuestionBox(const std::string& text);
// OK with the exclamation icon.
void AppWarningBox(const std::string& text);

// The code (0: the thread's last error) as "0x%08X (%u)", followed by "- "
// and the system's text for it (with its line end) when there is one; empty
// when the code is 0. The last error is kept.
std::string GetSystemErrorText(DWORD code = 0);
// The system's text for the code alone, with its line end; empty when it
// has none. The last error is kept.
std::string GetSystemMessage(DWORD code);
// Logs message followed by GetSystemErrorText() at level, unless the last
// error is 0.
void LogLastError(DWORD level, const std::string& message);

// Whether the system's major version is 6 (Vista) or later.
bool IsVistaOrLater();
