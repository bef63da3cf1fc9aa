// TLogStrVect: the process-wide in-memory log, its lines and its event guard.
#include <mutex>

#include "common/log.h"
#include "win32/datetime.h"
#include "win32/error_codes.h"
#include "win32/format.h"
#include "win32/sync.h"

namespace {

// "<dd/mm/yyyy hh:mm:ss.mmm> TAG text\n" at the local time of the call.
std::string BuildLine(DWORD level, const char* text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32] = {};
    _snprintf(stamp, sizeof stamp - 1, "<%02u/%02u/%04u %02u:%02u:%02u.%03u> ", unsigned{now.wDay},
              unsigned{now.wMonth}, unsigned{now.wYear}, unsigned{now.wHour}, unsigned{now.wMinute},
              unsigned{now.wSecond}, unsigned{now.wMilliseconds});
    std::string line = stamp;
    line += LevelTag(level);
    line += ' ';
    line += text ? text : "";
    line += '\n';
    return line;
}

// Any thread may ask for the log, so the holder is locked. The log is never
// destroyed at exit: its guard belongs to the layer's handle table, which
// may be gone by then; ReleaseInstance is the way to free it.
std::mutex g_instanceLock;
TLogStrVect* g_instance = nullptr;

}  // namespace

// Holding the guard is having waited on the event; releasing it sets the
// event again. Not held when the event is missing or the wait fails.
class TLogStrVect::Guard {
public:
    explicit Guard(HANDLE event)
        : m_event(event), m_held(event && WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {}
    ~Guard() {
        if (m_held) SetEvent(m_event);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    explicit operator bool() const noexcept { return m_held; }

private:
    HANDLE m_event;
    bool m_held;
};

TLogStrVect* TLogStrVect::Instance() {
    std::lock_guard lock(g_instanceLock);
    if (!g_instance) g_instance = new TLogStrVect();
    return g_instance;
}

void TLogStrVect::ReleaseInstance() {
    std::lock_guard lock(g_instanceLock);
    delete g_instance;
    g_instance = nullptr;
}

// An unnamed auto-reset event, signalled: the guard starts free.
TLogStrVect::TLogStrVect() : m_guard(CreateEventA(nullptr, FALSE, TRUE, nullptr)) {}

TLogStrVect::~TLogStrVect() {
    if (m_guard) CloseHandle(m_guard);
}

int TLogStrVect::SetMask(DWORD mask) {
    Guard guard(m_guard);
    if (!guard) return 0;
    StoreMask(mask);
    return 1;
}

int TLogStrVect::Write(DWORD level, const char* text) {
    if (!IsKept(level)) return 0;
    TLogEntry entry{level, BuildLine(level, text)};
    Guard guard(m_guard);
    if (guard) m_entries.push_back(std::move(entry));
    return 0;
}

std::size_t TLogStrVect::GetEntries(DWORD mask, std::vector<std::string>& out) {
    Guard guard(m_guard);
    if (!guard) return 0;
    for (const TLogEntry& entry : m_entries)
        if (entry.level & mask) out.push_back(entry.line);
    return out.size();
}

std::size_t TLogStrVect::GetAll(std::vector<std::string>& out) { return GetEntries(255, out); }

int TLogStrVect::Trim(std::size_t keep) {
    Guard guard(m_guard);
    if (!guard) return 0;
    if (m_entries.size() > keep)
        m_entries.erase(m_entries.begin(), m_entries.end() - static_cast<std::ptrdiff_t>(keep));
    return 1;
}
