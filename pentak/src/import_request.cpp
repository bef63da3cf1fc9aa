#include "import_request.h"

#include <cstdio>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "known_providers.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

constexpr char16_t kVostrelCsp[] = u"Vostrel Cryptographic Service Provider";
constexpr char16_t kDravikCsp[] = u"Tesk Dravik CSP v1.0";
constexpr std::size_t kMaxLabelBytes = 128;

std::string ansi(const std::u16string& text) { return WideToMultiByte(text.c_str(), static_cast<int>(text.size())); }

}  // namespace

TImportRequest::TImportRequest()
    : m_modules{{kVostrelCsp, u"vostrelp11.dll"}, {kZintraCspName, u""}, {kKavloCspName, u""}} {}

std::string TImportRequest::RequestLabel(const std::u16string& container, const SYSTEMTIME& t) {
    if (!container.empty()) return ansi(container).substr(0, kMaxLabelBytes);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", t.wYear % 100, t.wMonth % 100, t.wDay % 100,
                  t.wHour % 100, t.wMinute % 100, t.wSecond % 100);
    return stamp;
}

DWORD TImportRequest::Import(const std::u16string& provider, DWORD type, const std::u16string& container,
                             DWORD keySpec, const std::u16string& request) {
    m_moduleResult = CKR_OK;
    const auto row = m_modules.find(provider);
    if (row == m_modules.end()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return kImportUnknownProvider;
    }
    if (row->second.empty()) {
        if (container.empty() || request.empty()) {
            SetLastError(static_cast<DWORD>(NTE_NO_KEY));
            return kImportNothingToWrite;
        }
        TCryptoapi cryptoapi;
        if (!cryptoapi.WriteContainerData(provider, type, container, ansi(request), keySpec))
            return kImportWriteFailed;
        return 0;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    TPkcs11ImpReq token(row->second);
    const DWORD result = token.WriteRequest(kRequestApplication, RequestLabel(container, now), ansi(request));
    m_moduleResult = token.LastResult();
    if (result != 0 && result != kImportModuleFailed) SetLastError(0);
    return result;
}

bool ModuleForCsp(const std::u16string& provider, std::u16string& module) {
    const std::map<std::u16string, std::u16string> modules = {{kVostrelCsp, u"vostrelp11.dll"},
                                                              {kZintraCspName, u"zintrap11.dll"},
                                                              {kDravikCsp, u"teskpkcs.dll"},
                                                              {kKavloCspName, u"kavlopkcs11.dll"}};
    const auto row = modules.find(provider);
    if (row == modules.end()) return false;
    module = row->second;
    return true;
}
