#include "database.h"

#include <chrono>
#include <thread>

#include "sqlite_errors.h"

namespace platform::registry {

namespace {
// Long enough for the other process to finish any write it has begun.
constexpr int kBusyTimeoutMs = 10000;

// Switching a new file to the log needs it alone for a moment, and SQLite
// does not wait on the busy timeout for that: two processes that create the
// database together take turns here instead.
void useWriteAheadLog(sqlite3* db) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    while (true) {
        const int rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return;
        if ((rc & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline)
            throwSqlite(db, rc, "PRAGMA journal_mode=WAL");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
}  // namespace

Database::Database(const std::filesystem::path& file) : m_file(file) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) throwSqlite(raw, rc, "sqlite3_open_v2 " + file.string());
    sqlite3_busy_timeout(m_db.get(), kBusyTimeoutMs);
    useWriteAheadLog(m_db.get());
    // With the log, NORMAL syncs at checkpoints only: a killed process loses
    // nothing it committed; a power cut may lose the last commits but never
    // tears one. RegFlushKey syncs on request, as on Windows.
    exec("PRAGMA synchronous=NORMAL");
}

Statement Database::prepare(std::string_view sql) {
    auto at = m_statements.find(sql);
    if (at == m_statements.end()) {
        Cached entry;
        entry.statement.reset(compile(m_db.get(), sql, SQLITE_PREPARE_PERSISTENT));
        at = m_statements.emplace(std::string(sql), std::move(entry)).first;
    }
    if (at->second.inUse) return Statement(m_db.get(), sql);
    return Statement(m_db.get(), at->second.statement.get(), at->second.inUse);
}

void Database::run(std::string_view sql) {
    Statement statement = prepare(sql);
    while (statement.step()) {
    }
}

void Database::exec(const char* sql) {
    const int rc = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(m_db.get(), rc, sql);
}

std::int64_t Database::lastInsertId() const noexcept { return sqlite3_last_insert_rowid(m_db.get()); }

int Database::changes() const noexcept { return sqlite3_changes(m_db.get()); }

void Database::flush() {
    std::lock_guard lock(m_mutex);
    const int rc = sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(m_db.get(), rc, "sqlite3_wal_checkpoint_v2");
}

void Database::rollback() noexcept {
    // Some failures (a full disk, an I/O error) end the transaction already.
    if (!sqlite3_get_autocommit(m_db.get())) sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace platform::registry
