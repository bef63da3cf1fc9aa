// One registry database file and the process's connection to it.
//
// The journal is a write-ahead log: a writer appends whole transactions and
// a process killed in the middle leaves a tail that the next opener ignores,
// so every value reads as before or after a write, never half of it.
// Readers do not wait for writers. Processes wait for each other's write
// lock (the busy timeout) instead of failing. Every call runs in one
// transaction; writes begin it IMMEDIATE, taking the write lock up front,
// because a read snapshot that another process overtakes could not be
// upgraded later and would fail without waiting.
//
// The log is copied into the database file (a checkpoint) only when the
// disk has room for all the file grows by: a copy cut short by a full disk
// would spend the space freed since on the database file, while the log,
// which cannot start over until a copy is whole, needs it for the next
// write. So after a full disk a write works again as soon as it fits. A
// connection opened on a full disk, where the log's shared index cannot be
// made, reads the file as it is while the log is empty, and connects again
// at each call until there is room.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <map>

#include "platform/owned.h"
#include "statement.h"

namespace platform::registry {

class Database {
public:
    explicit Database(const std::filesystem::path& file);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    const std::filesystem::path& file() const noexcept { return m_file; }

    // Runs body() in one transaction of this connection, committed when it
    // returns and rolled back when it throws. Threads take turns.
    template <class Body>
    auto transaction(bool writes, Body&& body) {
        std::lock_guard lock(m_mutex);
        if (m_untilRoom) openWhenRoom(writes);
        run(writes ? "BEGIN IMMEDIATE" : "BEGIN");
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                run("COMMIT");
                if (writes) checkpointWhenDue();
            } else {
                auto result = body();
                run("COMMIT");
                if (writes) checkpointWhenDue();
                return result;
            }
        } catch (...) {
            rollback();
            throw;
        }
    }

    // The statement of this SQL text, compiled on its first use and kept
    // for the connection's life; a fresh one while the kept one is in use.
    Statement prepare(std::string_view sql);
    // Runs a statement without rows.
    void run(std::string_view sql);
    void exec(const char* sql);
    std::int64_t lastInsertId() const noexcept;
    int changes() const noexcept;

    // Equal marks, read inside transactions, mean that nothing was written
    // in between: no other connection committed, this one wrote nothing and
    // was not opened again. Connections of the process never share a mark.
    struct Mark {
        std::uint64_t connection = 0;
        std::int64_t dataVersion = 0;
        std::int64_t ownChanges = 0;
        bool operator==(const Mark&) const = default;
    };
    Mark mark();
    // Copies the log into the database file, both synced to disk;
    // ERROR_DISK_FULL, with nothing written, when the disk has no room for it.
    void flush();

private:
    // Connects to the file: to read and write it with the log, or to read
    // it as it is where it cannot be written.
    void open();
    // Connects again after a full disk kept the log from being used: reads
    // then see the file as it is now, and writes fail while there is no room.
    void openWhenRoom(bool writes);
    void rollback() noexcept;
    // A checkpoint once the log is long, when the disk has room for it.
    void checkpointWhenDue() noexcept;
    bool roomToCheckpoint() noexcept;
    static int noteLogLength(void* self, sqlite3*, const char*, int frames);

    struct Cached {
        Owned<sqlite3_stmt, sqlite3_finalize> statement;
        bool inUse = false;
    };

    std::filesystem::path m_file;
    Owned<sqlite3, sqlite3_close_v2> m_db;
    // Declared after the connection, so finalized before it closes; nodes
    // stay put, so the flags lent to statements do.
    std::map<std::string, Cached, std::less<>> m_statements;
    std::mutex m_mutex;
    bool m_writable = false;
    bool m_untilRoom = false;  // read as it is because the disk was full
    std::uint64_t m_connection = 0;  // this process's number for the connection
    int m_logFrames = 0;  // frames in the log after the last commit
};

}  // namespace platform::registry
