// The renewal program's diagnostic log: one process-wide file, appended to
// from any thread, an entry per call, stamped with the local time.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

namespace halvex {

class TLog {
public:
    virtual ~TLog() = default;
    // Whether the log writes at all, and whether detail entries
    // (PrintIfOn) are written.
    virtual void Init(bool enabled, bool detail);
    // Formats with the Windows rules (%s is wide), cut to 8,191
    // characters, and writes the text.
    bool Print(const char16_t* format, ...);
    // The same when the detail flag is set; otherwise false, nothing written.
    bool PrintIfOn(const char16_t* format, ...);
    virtual bool Write(const std::u16string& text) = 0;

protected:
    bool m_enabled = false;
    bool m_detail = false;
};

class TLogFile : public TLog {
public:
    // Made on first use and kept to the end of the process.
    static TLogFile& GetInstance();
    void SetPath(const std::u16string& path);
    std::u16string GetPath();
    // Appends "<DD/MM/YYYY HH:MM:SS.mmm> text" in the ANSI code page, each
    // further line of the text indented by three tabs. False when the log is
    // disabled, has no path or the file cannot be opened. The thread's last
    // error is kept.
    bool Write(const std::u16string& text) override;
    // Keeps the file from growing without end: see TrimLogFile.
    void Trim();

private:
    std::mutex m_mutex;
    std::u16string m_path;
};

// A log file larger than 400000 bytes is rewritten with its last 200000
// bytes, from the first entry that starts in them (a cut entry or
// continuation line is dropped whole). The new file is written beside the
// old one and renamed over it, so a crash leaves one or the other, never
// a mix. False when the file was too large and could not be rewritten.
bool TrimLogFile(const std::filesystem::path& file);

}  // namespace halvex
