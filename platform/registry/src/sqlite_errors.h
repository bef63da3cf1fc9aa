// The one place where an SQLite result becomes a Win32 code.
#pragma once

#include <string_view>

#include "win32/types.h"

struct sqlite3;

namespace platform::registry {

DWORD winCodeOfSqlite(int result) noexcept;
// Throws WinError with the code of `result`; the message names the call and
// carries SQLite's own text for the log.
[[noreturn]] void throwSqlite(sqlite3* db, int result, std::string_view call);

}  // namespace platform::registry
