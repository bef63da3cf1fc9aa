// How a session member records a failing step: level 10, code 0, the
// source "Enroll" and the step's line number. The thread's last error is
// the failing call's, before and after.
#pragma once

#include "my_error.h"
#include "win32/types.h"

inline constexpr int kFailureLevel = 10;

// Records the step; FALSE, for the member to return.
inline BOOL FailedAt(int line, const char* text = "") {
    ReportError(kFailureLevel, 0, text, "Enroll", line);
    return FALSE;
}
