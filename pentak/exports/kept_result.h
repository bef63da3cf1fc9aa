// The buffer rule asks twice: once for the size, then with the buffer. A
// step the user acts in or that stores something (a request made and kept
// as pending, a certificate chosen, a message signed) must not run twice:
// the size query keeps its text, and the call right after it, when it is
// the same call with the same arguments, is answered from that text.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_error.h"
#include "win32/error_codes.h"

namespace pentak::exports {

// Counts the calls of the exported functions, the session's start and end
// and the threads' set-up among them, so that a kept text is offered to
// the one call that follows its size query in the same session.
unsigned long long noteSessionCall() noexcept;

// The text kept for the call `key`, taken from the store (and forgotten);
// false when the last kept text belongs to another call, or the call that
// kept it was not the one just before this one.
bool takeKept(const std::u16string& key, std::u16string& text);
void keep(const std::u16string& key, const std::u16string& text);

// The key of one call: its name and its arguments.
inline std::u16string keyPart(std::u16string_view text) { return std::u16string(text); }
inline std::u16string keyPart(long long number) {
    const std::string digits = std::to_string(number);
    return {digits.begin(), digits.end()};
}
template <class... Parts>
std::u16string callKey(std::u16string_view name, const Parts&... parts) {
    std::u16string key(name);
    ((key += u'\0', key += keyPart(parts)), ...);
    return key;
}

// Runs the step (run(text) gives its HRESULT) unless the size query just
// before it ran the same call, and hands the text out by the buffer rule.
// A size query or a buffer too short keeps the text for the next call.
template <class Out, class Run>
HRESULT giveKeptOrRun(const Out& out, const std::u16string& key, Run&& run) {
    std::u16string text;
    if (!takeKept(key, text)) {
        const HRESULT hr = run(text);
        if (FAILED(hr)) return hr;
    }
    try {
        const HRESULT given = out.give(text);
        if (out.sizeOnly()) keep(key, text);
        return given;
    } catch (const platform::WinError& error) {
        if (error.code() == ERROR_MORE_DATA) keep(key, text);
        throw;
    }
}

}  // namespace pentak::exports
