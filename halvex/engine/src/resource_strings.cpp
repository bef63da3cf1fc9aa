#include "halvex/resource_strings.h"

#include <cstdarg>

#include "bounded_format.h"
#include "win32/error.h"
#include "win32/resources.h"

namespace halvex {

std::u16string LoadResString(UINT id) {
    const DWORD lastError = GetLastError();
    const char16_t* text = nullptr;
    const int length = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
    SetLastError(lastError);
    return length > 0 && text ? std::u16string(text, static_cast<std::size_t>(length)) : std::u16string();
}

std::u16string FormatResString(UINT id, ...) {
    const std::u16string format = LoadResString(id);
    va_list args;
    va_start(args, id);
    std::u16string text = FormatBounded(format, 1022, args);
    va_end(args);
    return text;
}

}  // namespace halvex
