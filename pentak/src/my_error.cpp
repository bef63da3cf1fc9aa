// CMyError and ReportError: the diagnostic text and its formatted lines.
#include "my_error.h"

#include <cerrno>
#include <new>

#include "platform/format.h"
#include "platform/text.h"
#include "win32/error.h"

namespace {

constexpr long long kLevelWeight = 1'000'000;
constexpr char16_t kLineBreak = u'\n';

std::u16string wideOf(const char* ansi) { return ansi ? platform::text::toWide(ansi, CP_ACP) : std::u16string(); }
std::u16string wideOf(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

// Recording leaves no trace in the caller's error state: the values it
// prints are the caller's, and they are put back whatever happens between.
class SavedErrorState {
public:
    SavedErrorState() : m_lastError(GetLastError()), m_errno(errno) {}
    ~SavedErrorState() {
        errno = m_errno;
        SetLastError(m_lastError);
    }
    SavedErrorState(const SavedErrorState&) = delete;
    SavedErrorState& operator=(const SavedErrorState&) = delete;

    DWORD lastError() const { return m_lastError; }
    int errnoValue() const { return m_errno; }

private:
    DWORD m_lastError;
    int m_errno;
};

std::u16string formatLine(int level, int code, const std::u16string& text, const std::u16string& sourceFile, int line,
                          const SavedErrorState& caller) {
    const long long myError = level * kLevelWeight + code;
    std::u16string formatted =
        platform::text::format(u"%s (line:%4d) (MyError:%8I64d) (LastError:0x%08x) (errno:%8d) %s",
                               sourceFile.c_str(), line, myError, caller.lastError(), caller.errnoValue(), text.c_str());
    if (formatted.size() > CMyError::kMaxLineLength) formatted.resize(CMyError::kMaxLineLength);
    return formatted;
}

template <class Char>
int report(int level, int code, const Char* text, const char* sourceFile, int line) {
    const SavedErrorState caller;
    CMyError& record = CMyError::Instance();
    if (level < record.GetLevel()) return 1;
    try {
        record.SetDetail(formatLine(level, code, wideOf(text), wideOf(sourceFile), line, caller));
    } catch (const std::bad_alloc&) {
        // A message that cannot be stored is dropped; the caller's own
        // failure is what matters.
    }
    return 1;
}

}  // namespace

CMyError& CMyError::Instance() {
    static CMyError record;
    return record;
}

void CMyError::SetDetail(std::u16string_view text) {
    const std::lock_guard guard(m_lock);
    m_text += text;
    m_text += kLineBreak;
}

void CMyError::Reset() {
    const std::lock_guard guard(m_lock);
    m_text.clear();
    m_level = 1;
}

int ReportError(int level, int code, const char* text, const char* sourceFile, int line) {
    return report(level, code, text, sourceFile, line);
}

int ReportError(int level, int code, const char16_t* text, const char* sourceFile, int line) {
    return report(level, code, text, sourceFile, line);
}
