// TLog: the mask and the formatting entry points shared by every log.
#include "common/log.h"

#include <cstdarg>
#include <vector>

#include "win32/format.h"

const char* LevelTag(DWORD level) {
    switch (level) {
    case sgLogLevelErrs: return "ERR ";
    case sgLogLevelWarns: return "WARN";
    case sgLogLevelMsgs: return "MSG ";
    case sgLogLevelDebug: return "DBG ";
    case 0: return "OFF ";
    default: return "UNKN";
    }
}

void TLog::Disable() { StoreMask(0); }

int TLog::SetMask(DWORD mask) {
    StoreMask(mask);
    return 1;
}

int TLog::Print(DWORD level, const char* format, ...) {
    if (!format) return 0;
    // One zeroed heap buffer with room for the longest text, its terminator
    // and one more NUL. _vsnprintf adds no NUL when it cuts the output, so it
    // may fill only the text part; the zeros behind it end the string.
    std::vector<char> buffer(kMaxPrintLength + 2, '\0');
    va_list args;
    va_start(args, format);
    _vsnprintf(buffer.data(), kMaxPrintLength, format, args);
    va_end(args);
    return Write(level, buffer.data());
}

int TLog::PrintStr(DWORD level, const std::string& text) { return Write(level, text.c_str()); }
