// CMyError: the library's one diagnostic text, shared by every session of
// the process, into which operations write what went wrong (and, at low
// levels, what they are doing), one line per message, oldest first. Callers
// read it back whole. A level threshold decides which messages are kept:
// 10 failures, 2 trace lines, 1 detailed dumps. Objects in several threads
// write and read it at once, so every access takes its lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

class CMyError {
public:
    // Longest line a message adds; a longer one is cut.
    static constexpr std::size_t kMaxLineLength = 2047;

    // The process-wide record, made on first use and kept until the library
    // is unloaded.
    static CMyError& Instance();

    CMyError() = default;
    virtual ~CMyError() = default;
    CMyError(const CMyError&) = delete;
    CMyError& operator=(const CMyError&) = delete;

    std::u16string GetText() const {
        const std::lock_guard guard(m_lock);
        return m_text;
    }
    // Replaces the whole text; an empty text clears it.
    void SetText(std::u16string text) {
        const std::lock_guard guard(m_lock);
        m_text = std::move(text);
    }
    int GetLevel() const { return m_level; }
    void SetLevel(int level) { m_level = level; }

    // Appends text and a line break, whatever the level.
    void SetDetail(std::u16string_view text);
    // The state of a session reset: no text, level 1 (every message kept).
    void Reset();

private:
    mutable std::mutex m_lock;
    std::u16string m_text;
    std::atomic<int> m_level = 0;
};

// Records a message in CMyError::Instance() as the line
//   "<sourceFile> (line:%4d) (MyError:%8d) (LastError:0x%08x) (errno:%8d) <text>"
// and a line break, where MyError is level * 1,000,000 + code (never wraps)
// and the last error and errno are the caller's. Nothing is recorded when
// level is below the record's level. The caller's last error and errno are
// the same afterwards. Narrow texts are in the ANSI code page. Returns 1.
int ReportError(int level, int code, const char* text, const char* sourceFile, int line);
int ReportError(int level, int code, const char16_t* text, const char* sourceFile, int line);
