// Texts across the exported functions: 8-bit texts in a code page (the
// session's, or the ANSI page) and UTF-16 texts on their way in, and the
// buffer rule on their way out. A text that does not convert is refused
// with ERROR_INVALID_PARAMETER (thrown as WinError), never passed on with
// "?" or U+FFFD in place of what it said.
#pragma once

#include <string>
#include <string_view>

#include "enroll.h"
#include "win32/types.h"

namespace pentak::exports {

// An 8-bit text of the code page as UTF-16; null is empty. A UTF-16LE page
// text ends at a 16-bit zero.
std::u16string wideOf(const char* text, UINT codePage);
// The same in the session's code page, or in the ANSI page.
inline std::u16string sessionText(const CEnroll& session, const char* text) {
    return wideOf(text, session.GetCodePage());
}
std::u16string ansiText(const char* text);
// UTF-16 text as the ANSI page's bytes; null is empty.
std::string ansiOf(const char16_t* text);
// A UTF-16 argument as it is; null is empty.
std::u16string_view viewOf(const char16_t* text) noexcept;
// An 8-bit argument handed on unchanged; null is empty.
std::string_view rawOf(const char* text) noexcept;

// The caller's buffer for an 8-bit text in the session's code page, its
// length in bytes.
class NarrowOut {
public:
    NarrowOut(const CEnroll& session, char* buffer, DWORD* length) noexcept
        : m_codePage(session.GetCodePage()), m_buffer(buffer), m_length(length) {}
    // The text by the buffer rule: S_OK, or thrown ERROR_MORE_DATA (the
    // length needed stored) or ERROR_INVALID_PARAMETER (nothing stored).
    HRESULT give(std::u16string_view text) const;
    bool sizeOnly() const noexcept { return m_buffer == nullptr; }

private:
    UINT m_codePage;
    char* m_buffer;
    DWORD* m_length;
};

// The caller's buffer for a UTF-16 text, its length in characters.
class WideOut {
public:
    WideOut(char16_t* buffer, DWORD* length) noexcept : m_buffer(buffer), m_length(length) {}
    HRESULT give(std::u16string_view text) const;
    bool sizeOnly() const noexcept { return m_buffer == nullptr; }

private:
    char16_t* m_buffer;
    DWORD* m_length;
};

// For the functions with a narrow and a wide form: the narrow form takes
// and gives text in the session's code page, the wide form UTF-16.
inline std::u16string textIn(const CEnroll& session, const char* text) { return sessionText(session, text); }
inline std::u16string textIn(const CEnroll&, const char16_t* text) { return std::u16string(viewOf(text)); }
inline NarrowOut outOf(const CEnroll& session, char* buffer, DWORD* length) { return {session, buffer, length}; }
inline WideOut outOf(const CEnroll&, char16_t* buffer, DWORD* length) { return {buffer, length}; }

// Runs a session step that yields a text (run(text) gives its HRESULT) and
// hands the text out only when the step succeeded.
template <class Out, class Run>
HRESULT giveOnSuccess(const Out& out, Run&& run) {
    std::u16string text;
    const HRESULT hr = run(text);
    return SUCCEEDED(hr) ? out.give(text) : hr;
}

}  // namespace pentak::exports
