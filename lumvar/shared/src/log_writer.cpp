// The log's text, its level and the lock around both.
#include "lumvar/log_writer.h"

#include <cstdarg>
#include <fstream>
#include <mutex>
#include <new>

#include "lumvar/result_codes.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/datetime.h"
#include "win32/format.h"
#include "win32/process.h"

namespace lumvar::log {
namespace {

struct State {
    std::mutex lock;
    std::u16string text;
    std::ofstream file;
    bool failed = false;
    unsigned level = 0;
};

State& state() {
    static State s;
    return s;
}

const char16_t* levelWord(Level level) {
    switch (level) {
    case Level::Error: return u"ERROR";
    case Level::Info: return u"INFO ";
    case Level::Debug: return u"DEBUG";
    }
    return u"DEBUG";
}

}  // namespace

int open() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.failed ? kLogStream : kOk;
}

int openFile(const std::u16string& path) {
    State& s = state();
    std::lock_guard guard(s.lock);
    s.file.close();
    s.file.clear();
    s.file.open(platform::paths::fromWindows(path), std::ios::binary | std::ios::app);
    return s.file.is_open() ? kOk : kLogStream;
}

void closeFile() {
    State& s = state();
    std::lock_guard guard(s.lock);
    s.file.close();
}

int setLevel(unsigned level) {
    if (level > kMaxLevel) return kLogLevel;
    State& s = state();
    std::lock_guard guard(s.lock);
    s.level = level;
    return kOk;
}

unsigned level() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.level;
}

void write(Level level, const char16_t* format, ...) {
    State& s = state();
    std::lock_guard guard(s.lock);
    if (static_cast<unsigned>(level) > s.level || s.failed) return;
    try {
        std::u16string message(kMaxMessage, u'\0');
        va_list args;
        va_start(args, format);
        const int written = _vsnwprintf(message.data(), kMaxMessage, format, args);
        va_end(args);
        message.resize(written < 0 ? kMaxMessage : static_cast<std::size_t>(written));
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const std::u16string line =
            platform::text::format(u"%02u.%02u.%04u %02u:%02u:%02u %ls %u %u ", now.wDay, now.wMonth, now.wYear,
                                   now.wHour, now.wMinute, now.wSecond, levelWord(level), GetCurrentProcessId(),
                                   GetCurrentThreadId()) +
            message + u'\n';
        s.text += line;
        if (s.file.is_open()) s.file << platform::text::toUtf8(line) << std::flush;
    } catch (const std::bad_alloc&) {
        s.failed = true;
    }
}

std::u16string text(bool clearAfter) {
    State& s = state();
    std::lock_guard guard(s.lock);
    std::u16string out = s.failed ? std::u16string(u"Interní chyba logu.") : s.text;
    if (clearAfter) {
        std::u16string().swap(s.text);
        s.failed = false;
    }
    return out;
}

void clear() {
    State& s = state();
    std::lock_guard guard(s.lock);
    std::u16string().swap(s.text);
    s.failed = false;
}

}  // namespace lumvar::log
