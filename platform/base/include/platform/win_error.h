// Exceptions inside the layer carry the Windows code that the entry point
// will report. The code is chosen where the failure is understood.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "win32/error_codes.h"

namespace platform {

class WinError : public std::runtime_error {
public:
    WinError(DWORD code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    WinError(HRESULT code, const std::string& what) : WinError(static_cast<DWORD>(code), what) {}
    DWORD code() const noexcept { return m_code; }

private:
    DWORD m_code;
};

// Throws WinError(code) with the text of errno appended: "call: message".
[[noreturn]] void throwErrno(DWORD code, std::string_view call, int err);

// The Win32 error number that best describes an errno value.
DWORD win32CodeOfErrno(int err) noexcept;

}  // namespace platform
