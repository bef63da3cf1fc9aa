#include "statement.h"

#include <bit>
#include <cstring>
#include <utility>

#include "sqlite_errors.h"

namespace platform::registry {

// Names are stored as the bytes of char16_t strings; the files must read the
// same on every machine that opens them.
static_assert(std::endian::native == std::endian::little, "names are stored as UTF-16LE");

sqlite3_stmt* compile(sqlite3* db, std::string_view sql, unsigned flags) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), flags, &raw, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(raw);
        throwSqlite(db, rc, "sqlite3_prepare_v3");
    }
    return raw;
}

Statement::Statement(sqlite3* db, std::string_view sql) : m_db(db), m_stmt(compile(db, sql, 0)) {}

Statement::Statement(sqlite3* db, sqlite3_stmt* cached, bool& inUse) noexcept
    : m_db(db), m_stmt(cached), m_lent(&inUse) {
    inUse = true;
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_stmt(std::exchange(other.m_stmt, nullptr)), m_lent(std::exchange(other.m_lent, nullptr)) {}

Statement::~Statement() {
    if (!m_stmt) return;
    if (!m_lent) {
        sqlite3_finalize(m_stmt);
        return;
    }
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    *m_lent = false;
}

Statement& Statement::bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK) throwSqlite(m_db, rc, "sqlite3_bind_int64");
    return *this;
}

Statement& Statement::bind(int index, std::span<const BYTE> bytes) {
    // A null pointer would bind SQL NULL; an empty blob is a value of its own.
    static const BYTE empty = 0;
    const int rc = sqlite3_bind_blob64(m_stmt, index, bytes.empty() ? &empty : bytes.data(), bytes.size(),
                                       SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) throwSqlite(m_db, rc, "sqlite3_bind_blob64");
    return *this;
}

Statement& Statement::bind(int index, std::u16string_view text) {
    return bind(index, std::span(reinterpret_cast<const BYTE*>(text.data()), text.size() * sizeof(char16_t)));
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwSqlite(m_db, rc, "sqlite3_step");
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

std::vector<BYTE> Statement::bytes(int column) const {
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>{};
}

std::u16string Statement::text(int column) const {
    const auto* p = sqlite3_column_blob(m_stmt, column);
    const auto n = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)) / sizeof(char16_t);
    std::u16string s(n, u'\0');
    if (n) std::memcpy(s.data(), p, n * sizeof(char16_t));
    return s;
}

}  // namespace platform::registry
