#include "halvex/log.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>

#include "bounded_format.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace halvex {
namespace {

constexpr std::size_t kMaxEntryText = 8191;

std::string TimeStamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "<%02u/%02u/%04u %02u:%02u:%02u.%03u> ", now.wDay, now.wMonth, now.wYear,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return stamp;
}

}  // namespace

void TLog::Init(bool enabled, bool detail) {
    m_enabled = enabled;
    m_detail = detail;
}

bool TLog::Print(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::u16string text = FormatBounded(format ? format : u"", kMaxEntryText, args);
    va_end(args);
    return Write(text);
}

bool TLog::PrintIfOn(const char16_t* format, ...) {
    if (!m_detail) return false;
    va_list args;
    va_start(args, format);
    const std::u16string text = FormatBounded(format ? format : u"", kMaxEntryText, args);
    va_end(args);
    return Write(text);
}

TLogFile& TLogFile::GetInstance() {
    static TLogFile* const instance = new TLogFile;
    return *instance;
}

void TLogFile::SetPath(const std::u16string& path) {
    const std::lock_guard lock(m_mutex);
    m_path = path;
}

std::u16string TLogFile::GetPath() {
    const std::lock_guard lock(m_mutex);
    return m_path;
}

bool TLogFile::Write(const std::u16string& text) {
    if (!m_enabled) return false;
    std::u16string indented;
    for (const char16_t c : text) indented += c == u'\n' ? std::u16string(u"\n\t\t\t") : std::u16string(1, c);
    const std::string entry = TimeStamp() + platform::text::toNarrow(indented, CP_ACP) + "\n";

    const std::lock_guard lock(m_mutex);
    if (m_path.empty()) return false;
    const DWORD lastError = GetLastError();
    std::ofstream file(platform::paths::fromWindows(m_path), std::ios::binary | std::ios::app);
    const bool opened = file.is_open();
    if (opened) file.write(entry.data(), static_cast<std::streamsize>(entry.size()));
    file.close();
    SetLastError(lastError);
    return opened;
}

}  // namespace halvex
