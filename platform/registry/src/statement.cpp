#include "statement.h"

#include <bit>
#include <cstring>

#include "sqlite_errors.h"

namespace platform::registry {

// Names are stored as the bytes of char16_t strings; the files must read the
// same on every machine that opens them.
static_assert(std::endian::native == std::endian::little, "names are stored as UTF-16LE");

Statement::Statement(sqlite3* db, std::string_view sql) : m_db(db) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    m_stmt.reset(raw);
    if (rc != SQLITE_OK) throwSqlite(db, rc, "sqlite3_prepare_v2");
}

Statement& Statement::bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(m_stmt.get(), index, value);
    if (rc != SQLITE_OK) throwSqlite(m_db, rc, "sqlite3_bind_int64");
    return *this;
}

Statement& Statement::bind(int index, std::span<const BYTE> bytes) {
    // A null pointer would bind SQL NULL; an empty blob is a value of its own.
    static const BYTE empty = 0;
    const int rc = sqlite3_bind_blob64(m_stmt.get(), index, bytes.empty() ? &empty : bytes.data(), bytes.size(),
                                       SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) throwSqlite(m_db, rc, "sqlite3_bind_blob64");
    return *this;
}

Statement& Statement::bind(int index, std::u16string_view text) {
    return bind(index, std::span(reinterpret_cast<const BYTE*>(text.data()), text.size() * sizeof(char16_t)));
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwSqlite(m_db, rc, "sqlite3_step");
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_stmt.get(), column); }

std::vector<BYTE> Statement::bytes(int column) const {
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt.get(), column));
    const int n = sqlite3_column_bytes(m_stmt.get(), column);
    return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>{};
}

std::u16string Statement::text(int column) const {
    const auto* p = sqlite3_column_blob(m_stmt.get(), column);
    const auto n = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt.get(), column)) / sizeof(char16_t);
    std::u16string s(n, u'\0');
    if (n) std::memcpy(s.data(), p, n * sizeof(char16_t));
    return s;
}

}  // namespace platform::registry
