// A prepared statement with the bindings and columns the registry uses:
// integers and blobs. Names are bound and read as their UTF-16LE bytes, so
// every name a caller can give is stored exactly.
//
// A statement either owns its SQLite statement or borrows one from its
// connection's cache; a borrowed one is reset and handed back when the
// Statement goes, so that each SQL text is compiled once per connection.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::registry {

// Compiles one SQL statement (prepare flags as sqlite3_prepare_v3 takes).
sqlite3_stmt* compile(sqlite3* db, std::string_view sql, unsigned flags);

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    // Borrows a cached statement; *inUse is set while it is lent.
    Statement(sqlite3* db, sqlite3_stmt* cached, bool& inUse) noexcept;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    ~Statement();

    // Parameters count from 1, as in the SQL text (?1, ?2 ...).
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::span<const BYTE> bytes);
    Statement& bind(int index, std::u16string_view text);

    // True while a row is ready; false once the statement is done.
    bool step();
    std::int64_t integer(int column) const;
    std::vector<BYTE> bytes(int column) const;
    std::u16string text(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool* m_lent = nullptr;  // the cache's flag of a borrowed statement
};

}  // namespace platform::registry
