// What the file-open and file-save dialogs share: checking the caller's
// request, reading its filters and handing the chosen path back in its
// buffers, and the dialog error CommDlgExtendedError reports.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "win32/commdlg.h"

namespace platform::ui::file_name_dialog {

// A failure that CommDlgExtendedError reports with this code.
struct Failure {
    DWORD code;
};

// "name\0patterns\0" pairs up to an empty name.
std::vector<FileFilter> filtersOf(LPCWSTR pairs);
// The caller's initial folder as a Linux path; null or empty: the current one.
std::string folderOf(LPCWSTR initialDir);

// Checks the request (Failure CDERR_STRUCTSIZE, CDERR_INITIALIZATION, or
// the owner's WinError), asks for a path and copies it into the caller's
// buffers. TRUE when a path came back; FALSE when the user cancelled or on
// failure, the dialog error set either way.
BOOL run(OPENFILENAMEW* ofn, const std::function<std::optional<std::string>(const OPENFILENAMEW& ofn)>& ask) noexcept;

}  // namespace platform::ui::file_name_dialog
