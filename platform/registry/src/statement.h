// A prepared statement with the bindings and columns the registry uses:
// integers and blobs. Names are bound and read as their UTF-16LE bytes, so
// every name a caller can give is stored exactly.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/owned.h"
#include "win32/types.h"

namespace platform::registry {

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);

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
    Owned<sqlite3_stmt, sqlite3_finalize> m_stmt;
};

}  // namespace platform::registry
