#include "sqlite_errors.h"

#include <sqlite3.h>

#include <string>

#include "platform/win_error.h"

namespace platform::registry {

DWORD winCodeOfSqlite(int result) noexcept {
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return ERROR_SUCCESS;
    // Another process held the database for longer than the busy timeout.
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL: return ERROR_BUSY;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_ACCESS_DENIED;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_CANTOPEN: return ERROR_CANTOPEN;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return ERROR_BADDB;
    case SQLITE_TOOBIG: return ERROR_INVALID_PARAMETER;
    default: return ERROR_REGISTRY_IO_FAILED;
    }
}

void throwSqlite(sqlite3* db, int result, std::string_view call) {
    std::string what(call);
    what += ": ";
    what += sqlite3_errstr(result);
    if (db) {
        what += " (";
        what += sqlite3_errmsg(db);
        what += ")";
    }
    throw WinError(winCodeOfSqlite(result), what);
}

}  // namespace platform::registry
