// open_close_wide.cpp: InternetOpenW, InternetConnectW and HttpOpenRequestW
// over their narrow forms.
#include <vector>

#include "platform/boundary.h"
#include "wide_text.h"
#include "win32/inet.h"

using platform::inet::NarrowText;

HINTERNET InternetOpenW(LPCWSTR lpszAgent, DWORD dwAccessType, LPCWSTR lpszProxy, LPCWSTR lpszProxyBypass,
                        DWORD dwFlags) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        const NarrowText agent(lpszAgent), proxy(lpszProxy), bypass(lpszProxyBypass);
        return InternetOpenA(agent.get(), dwAccessType, proxy.get(), bypass.get(), dwFlags);
    });
}

HINTERNET InternetConnectW(HINTERNET hInternet, LPCWSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCWSTR lpszUserName, LPCWSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        const NarrowText server(lpszServerName), user(lpszUserName), password(lpszPassword);
        return InternetConnectA(hInternet, server.get(), nServerPort, user.get(), password.get(), dwService, dwFlags,
                                dwContext);
    });
}

HINTERNET HttpOpenRequestW(HINTERNET hConnect, LPCWSTR lpszVerb, LPCWSTR lpszObjectName, LPCWSTR lpszVersion,
                           LPCWSTR lpszReferrer, LPCWSTR* lplpszAcceptTypes, DWORD dwFlags,
                           DWORD_PTR dwContext) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        const NarrowText verb(lpszVerb), object(lpszObjectName), version(lpszVersion), referrer(lpszReferrer);
        std::vector<NarrowText> types;
        for (LPCWSTR* type = lplpszAcceptTypes; type && *type; ++type) types.emplace_back(*type);
        std::vector<LPCSTR> typeList;
        for (const auto& type : types) typeList.push_back(type.get());
        typeList.push_back(nullptr);
        return HttpOpenRequestA(hConnect, verb.get(), object.get(), version.get(), referrer.get(),
                                lplpszAcceptTypes ? typeList.data() : nullptr, dwFlags, dwContext);
    });
}
