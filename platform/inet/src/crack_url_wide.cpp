// crack_url_wide.cpp: InternetCrackUrlW over InternetCrackUrlA. The narrow
// form cracks a stand-in of the URL with one byte per UTF-16 unit: ASCII
// units as themselves, every other unit as a byte that is no delimiter,
// letter or digit, as a non-ASCII character of ANSI text is. The parts it
// finds lie at the same offsets in the wide URL.
#include <string>
#include <string_view>

#include "platform/boundary.h"
#include "platform/text.h"
#include "url_part.h"
#include "win32/inet.h"

namespace {

using platform::inet::storeUrlPart;
using platform::inet::urlPartWanted;

// A wanted wide part becomes a narrow part asked for as a pointer.
void askPointer(LPCWSTR p, DWORD length, LPSTR& narrow, DWORD& narrowLength) {
    narrow = nullptr;
    narrowLength = urlPartWanted(p, length) ? 1 : 0;
}

void storeWide(LPCWSTR url, const std::string& standIn, LPCSTR found, DWORD foundLength, LPWSTR& p, DWORD& length) {
    if (urlPartWanted(p, length))
        storeUrlPart(url, static_cast<std::size_t>(found - standIn.data()), foundLength, p, length);
}

}  // namespace

BOOL InternetCrackUrlW(LPCWSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags, LPURL_COMPONENTSW uc) noexcept {
    return platform::winBool([&] {
        if (!lpszUrl || !uc || uc->dwStructSize != sizeof(URL_COMPONENTSW))
            throw platform::WinError(ERROR_INVALID_PARAMETER, "InternetCrackUrlW arguments");
        const std::u16string_view url(lpszUrl, dwUrlLength ? dwUrlLength : platform::text::length(lpszUrl));
        std::string standIn(url.size(), '\x80');
        for (std::size_t i = 0; i < url.size(); ++i)
            if (url[i] < 0x80) standIn[i] = static_cast<char>(url[i]);

        URL_COMPONENTSA a{};
        a.dwStructSize = sizeof a;
        askPointer(uc->lpszScheme, uc->dwSchemeLength, a.lpszScheme, a.dwSchemeLength);
        askPointer(uc->lpszHostName, uc->dwHostNameLength, a.lpszHostName, a.dwHostNameLength);
        askPointer(uc->lpszUserName, uc->dwUserNameLength, a.lpszUserName, a.dwUserNameLength);
        askPointer(uc->lpszPassword, uc->dwPasswordLength, a.lpszPassword, a.dwPasswordLength);
        askPointer(uc->lpszUrlPath, uc->dwUrlPathLength, a.lpszUrlPath, a.dwUrlPathLength);
        askPointer(uc->lpszExtraInfo, uc->dwExtraInfoLength, a.lpszExtraInfo, a.dwExtraInfoLength);
        // An empty URL stays empty: the narrow form reads length 0 up to the NUL.
        if (!InternetCrackUrlA(standIn.c_str(), static_cast<DWORD>(standIn.size()), dwFlags, &a)) return false;

        storeWide(lpszUrl, standIn, a.lpszScheme, a.dwSchemeLength, uc->lpszScheme, uc->dwSchemeLength);
        storeWide(lpszUrl, standIn, a.lpszHostName, a.dwHostNameLength, uc->lpszHostName, uc->dwHostNameLength);
        storeWide(lpszUrl, standIn, a.lpszUserName, a.dwUserNameLength, uc->lpszUserName, uc->dwUserNameLength);
        storeWide(lpszUrl, standIn, a.lpszPassword, a.dwPasswordLength, uc->lpszPassword, uc->dwPasswordLength);
        storeWide(lpszUrl, standIn, a.lpszUrlPath, a.dwUrlPathLength, uc->lpszUrlPath, uc->dwUrlPathLength);
        storeWide(lpszUrl, standIn, a.lpszExtraInfo, a.dwExtraInfoLength, uc->lpszExtraInfo, uc->dwExtraInfoLength);
        uc->nScheme = a.nScheme;
        uc->nPort = a.nPort;
        return true;
    });
}
