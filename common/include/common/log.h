// The log: an abstract base with a level mask and printf-style entry points,
// and the process-wide in-memory log whose lines the signing component hands
// to its caller.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "win32/types.h"

// Level bits; a write is kept when its level shares a bit with the mask.
inline constexpr DWORD sgLogLevelErrs = 1;
inline constexpr DWORD sgLogLevelWarns = 2;
inline constexpr DWORD sgLogLevelMsgs = 4;
inline constexpr DWORD sgLogLevelDebug = 8;

// The four-character tag of a level in a log line: "ERR ", "WARN", "MSG ",
// "DBG ", "OFF " for 0, and "UNKN" for any other value, a combined level
// such as 3 included.
const char* LevelTag(DWORD level);

// Base of the logs. Formatting is shared here; where a line goes is the
// derived log's Write. The mask is atomic because Disable and the mask test
// of a write run without any lock, from any thread.
class TLog {
public:
    // Formatted text is cut at this many characters (the terminator of the
    // formatting buffer not counted).
    static constexpr std::size_t kMaxPrintLength = 8191;

    TLog() = default;
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;
    virtual ~TLog() = default;

    virtual void Disable();
    // Stores the mask; 1.
    virtual int SetMask(DWORD mask);
    virtual int Write(DWORD level, const char* text) = 0;

    // printf-style, with the Windows formatting rules. A null format writes
    // nothing and gives 0; otherwise the result of Write.
    int Print(DWORD level, const char* format, ...);
    // The text as it is, "%" included; the result of Write.
    int PrintStr(DWORD level, const std::string& text);

protected:
    bool IsKept(DWORD level) const noexcept { return (level & m_mask.load()) != 0; }
    void StoreMask(DWORD mask) noexcept { m_mask.store(mask); }

private:
    std::atomic<DWORD> m_mask{0};
};

// One kept line: the level as written and the whole line with its time
// stamp, tag and closing line feed.
struct TLogEntry {
    DWORD level;
    std::string line;
};

// The in-memory log. Lines are kept oldest first, without bound: the owner
// trims them. An auto-reset event guards the entries and the mask setting;
// a line is built before the guard is taken, so the guard is held only to
// append it.
class TLogStrVect final : public TLog {
public:
    // The process-wide log, created empty with mask 0 on the first call.
    static TLogStrVect* Instance();
    // Destroys it; the next Instance starts a fresh log.
    static void ReleaseInstance();

    TLogStrVect();
    ~TLogStrVect() override;

    // 0 and nothing changed when the guard cannot be taken, else 1.
    int SetMask(DWORD mask) override;
    // Keeps "<dd/mm/yyyy hh:mm:ss.mmm> TAG text\n" when the level is in the
    // mask; always 0. A line is dropped when the guard cannot be taken.
    int Write(DWORD level, const char* text) override;

    // Appends the lines whose level shares a bit with mask, oldest first, to
    // out (which is not emptied) and returns out's size; 0 and out untouched
    // when the guard cannot be taken.
    std::size_t GetEntries(DWORD mask, std::vector<std::string>& out);
    std::size_t GetAll(std::vector<std::string>& out);
    // Drops the oldest entries until at most keep remain; 1, or 0 when the
    // guard cannot be taken.
    int Trim(std::size_t keep);

private:
    class Guard;

    HANDLE m_guard;
    std::vector<TLogEntry> m_entries;
};
