// request_wide.cpp: HttpAddRequestHeadersW, HttpSendRequestW and
// InternetSetOptionW over their narrow forms.
#include "platform/boundary.h"
#include "wide_text.h"
#include "win32/inet.h"

using platform::inet::NarrowText;

BOOL HttpAddRequestHeadersW(HINTERNET hRequest, LPCWSTR lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers) noexcept {
    return platform::winBool([&] {
        const NarrowText headers(lpszHeaders, dwHeadersLength);
        return HttpAddRequestHeadersA(hRequest, headers.get(), headers.size(), dwModifiers) != FALSE;
    });
}

BOOL HttpSendRequestW(HINTERNET hRequest, LPCWSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength) noexcept {
    return platform::winBool([&] {
        // No headers may come as a null pointer or as a length of 0.
        const NarrowText headers(dwHeadersLength ? lpszHeaders : nullptr, dwHeadersLength);
        return HttpSendRequestA(hRequest, headers.get(), headers.size(), lpOptional, dwOptionalLength) != FALSE;
    });
}

BOOL InternetSetOptionW(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) noexcept {
    return platform::winBool([&] {
        const bool text = dwOption == INTERNET_OPTION_USERNAME || dwOption == INTERNET_OPTION_PASSWORD ||
                          dwOption == INTERNET_OPTION_PROXY_USERNAME || dwOption == INTERNET_OPTION_PROXY_PASSWORD;
        if (!text || !lpBuffer) return InternetSetOptionA(hInternet, dwOption, lpBuffer, dwBufferLength) != FALSE;
        // The length counts characters; a NUL within it ends the text.
        const auto* wide = static_cast<LPCWSTR>(lpBuffer);
        DWORD length = 0;
        while (length < dwBufferLength && wide[length]) ++length;
        const NarrowText narrow(wide, length);
        return InternetSetOptionA(hInternet, dwOption, const_cast<char*>(narrow.get()), narrow.size()) != FALSE;
    });
}
