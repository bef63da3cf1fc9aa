#include "database.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win_error.h"
#include "sqlite_errors.h"

namespace platform::registry {

namespace {
// Long enough for the other process to finish any write it has begun.
constexpr int kBusyTimeoutMs = 10000;
// The log length (in pages) at which SQLite's own policy copies it.
constexpr int kCheckpointFrames = 1000;

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
// The file as an SQLite URI that opens it read-only and as immutable.
std::string immutableUri(const std::filesystem::path& file) {
    std::string uri = "file:";
    for (const char c : file.string()) {
        if (c == '%' || c == '?' || c == '#') {
            static const char digits[] = "0123456789ABCDEF";
            uri += '%';
            uri += digits[static_cast<unsigned char>(c) >> 4];
            uri += digits[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro&immutable=1";
}

bool readable(sqlite3* db) {
    return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
}

Owned<sqlite3, sqlite3_close_v2> openImmutable(const std::filesystem::path& file) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(immutableUri(file).c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Owned<sqlite3, sqlite3_close_v2> db(raw);
    if (rc != SQLITE_OK) throwSqlite(raw, rc, "sqlite3_open_v2 " + file.string());
    return db;
}

bool diskFull(sqlite3* db) {
    const int code = sqlite3_extended_errcode(db);
    return (code & 0xFF) == SQLITE_FULL || code == SQLITE_IOERR_SHMSIZE;
}

// No log beside the file, or one that holds its header and no transaction.
bool logHoldsNothing(const std::filesystem::path& file) {
    constexpr std::uintmax_t kLogHeaderBytes = 32;
    std::error_code error;
    const auto size = std::filesystem::file_size(file.string() + "-wal", error);
    return error == std::errc::no_such_file_or_directory || (!error && size <= kLogHeaderBytes);
}

std::int64_t pragmaNumber(sqlite3* db, const char* sql) {
    Statement statement(db, sql);
    return statement.step() ? statement.integer(0) : 0;
}
}  // namespace

Database::Database(const std::filesystem::path& file) : m_file(file) { open(); }

void Database::open() {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(m_file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Owned<sqlite3, sqlite3_close_v2> db(raw);
    if (rc != SQLITE_OK) throwSqlite(raw, rc, "sqlite3_open_v2 " + m_file.string());
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    bool untilRoom = false;
    if (sqlite3_db_readonly(db.get(), "main") == 1) {
        // A file that cannot be written (a read-only file system) is read
        // as it is. Without the log's shared index beside it, which cannot be
        // made there, it is read as immutable: nobody can change it anyway.
        // Writes then fail as access to a read-only store.
        if (!readable(db.get())) db = openImmutable(m_file);
    } else {
        try {
            useWriteAheadLog(db.get());
        } catch (const WinError&) {
            // On a full disk the log's shared index cannot be made either.
            // With nothing in the log the file alone holds every value: it
            // is read as it is until a later call finds room.
            if (!diskFull(db.get()) || !logHoldsNothing(m_file)) throw;
            db = openImmutable(m_file);
            untilRoom = true;
        }
    }
    const bool writable = sqlite3_db_readonly(db.get(), "main") == 0;
    if (writable) {
        // Replaces SQLite's checkpoint after commits by checkpointWhenDue().
        sqlite3_wal_hook(db.get(), &Database::noteLogLength, this);
        // With the log, NORMAL syncs at checkpoints only: a killed process
        // loses nothing it committed; a power cut may lose the last commits
        // but never tears one. RegFlushKey syncs on request, as on Windows.
        const int sync = sqlite3_exec(db.get(), "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        if (sync != SQLITE_OK) throwSqlite(db.get(), sync, "PRAGMA synchronous=NORMAL");
    }
    m_statements.clear();
    static std::atomic<std::uint64_t> connections{0};
    m_connection = ++connections;
    m_db = std::move(db);
    m_writable = writable;
    m_untilRoom = untilRoom;
}

void Database::openWhenRoom(bool writes) {
    open();
    if (writes && m_untilRoom)
        throw WinError(ERROR_DISK_FULL, "no room on the disk for the registry's log beside " + m_file.string());
}

Database::~Database() {
    // The last connection to close copies the log and removes it; without
    // room for that, the log stays for a later connection.
    if (m_writable && !roomToCheckpoint()) sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
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

Database::Mark Database::mark() {
    Statement version = prepare("PRAGMA data_version");
    const std::int64_t dataVersion = version.step() ? version.integer(0) : 0;
    return {m_connection, dataVersion, sqlite3_total_changes64(m_db.get())};
}

void Database::flush() {
    std::lock_guard lock(m_mutex);
    if (m_writable && !roomToCheckpoint())
        throw WinError(ERROR_DISK_FULL, "no room on the disk to copy the registry's log into " + m_file.string());
    const int rc = sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(m_db.get(), rc, "sqlite3_wal_checkpoint_v2");
}

int Database::noteLogLength(void* self, sqlite3*, const char*, int frames) {
    static_cast<Database*>(self)->m_logFrames = frames;
    return SQLITE_OK;
}

void Database::checkpointWhenDue() noexcept {
    // The write is committed whatever happens here; a copy that fails is
    // tried again after a later write.
    if (m_logFrames < kCheckpointFrames || !roomToCheckpoint()) return;
    sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

bool Database::roomToCheckpoint() noexcept {
    try {
        // The database as the log leaves it, against the file as it is now.
        const auto wanted = pragmaNumber(m_db.get(), "PRAGMA page_count") * pragmaNumber(m_db.get(), "PRAGMA page_size");
        std::error_code error;
        const auto now = std::filesystem::file_size(m_file, error);
        if (error) return false;
        if (wanted <= static_cast<std::int64_t>(now)) return true;
        const auto disk = std::filesystem::space(m_file.parent_path(), error);
        return !error && static_cast<std::uintmax_t>(wanted) - now <= disk.available;
    } catch (...) {
        return false;
    }
}

void Database::rollback() noexcept {
    // Some failures (a full disk, an I/O error) end the transaction already.
    if (!sqlite3_get_autocommit(m_db.get())) sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace platform::registry
