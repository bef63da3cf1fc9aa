// query_info_wide.cpp: HttpQueryInfoW over HttpQueryInfoA. As on Windows,
// the buffer length counts bytes, not characters.
#include <cstring>
#include <string>

#include "platform/boundary.h"
#include "platform/win_error.h"
#include "wide_text.h"
#include "win32/error.h"
#include "win32/inet.h"

BOOL HttpQueryInfoW(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength,
                    LPDWORD lpdwIndex) noexcept {
    return platform::winBool([&] {
        if ((dwInfoLevel & HTTP_QUERY_FLAG_NUMBER) || !lpdwBufferLength)
            return HttpQueryInfoA(hRequest, dwInfoLevel, lpBuffer, lpdwBufferLength, lpdwIndex) != FALSE;
        // The narrow text first, in a buffer of the size it asks for; the
        // index moves only once the wide text has been handed over.
        DWORD index = lpdwIndex ? *lpdwIndex : 0;
        DWORD size = 0;
        if (!HttpQueryInfoA(hRequest, dwInfoLevel, nullptr, &size, &index) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        std::string narrow(size, '\0');
        if (!HttpQueryInfoA(hRequest, dwInfoLevel, narrow.data(), &size, &index)) return false;
        narrow.resize(size);
        const std::u16string wide = platform::inet::wideText(narrow);
        const DWORD bytes = static_cast<DWORD>(wide.size() * sizeof(char16_t));
        if (!lpBuffer || *lpdwBufferLength < bytes + sizeof(char16_t)) {
            *lpdwBufferLength = bytes + sizeof(char16_t);
            throw platform::WinError(ERROR_INSUFFICIENT_BUFFER, "HttpQueryInfoW buffer");
        }
        std::memcpy(lpBuffer, wide.c_str(), bytes + sizeof(char16_t));
        *lpdwBufferLength = bytes;
        if (lpdwIndex) *lpdwIndex = index;
        return true;
    });
}
