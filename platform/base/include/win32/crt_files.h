// The C runtime's secure fopen with a wide path. The path follows the rules
// of the file functions (win32/files.h): "\" or "/", UTF-16, converted to
// UTF-8 for Linux.
#pragma once

#include <cstdio>

#include "win32/types.h"

using errno_t = int;

// Mode: "r", "w" or "a", then in any order "+", one of "b" or "t", and with
// "w" an "x" (fail when the file exists). "t" and no "b" open the file as
// "b" does: Linux has no CR LF translation. Success: 0 and *pFile set.
// Failure: the errno value (EINVAL for a null argument or another mode,
// ENOENT for an empty path) and *pFile null when pFile is given.
errno_t _wfopen_s(FILE** pFile, LPCWSTR filename, LPCWSTR mode) noexcept;
