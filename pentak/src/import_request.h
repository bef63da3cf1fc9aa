// TImportRequest: a prepared request stored on the card of the provider it
// was made with, so that it travels with the key: as a PKCS #11 data object
// through the vendor's module, or for two card providers through CryptoAPI
// as their key's parameter. ModuleForCsp names the vendor module that reads
// a card's number.
#pragma once

#include <map>
#include <string>

#include "pkcs11_imp_req.h"
#include "win32/types.h"

// The application of the data objects holding requests.
inline constexpr char kRequestApplication[] = "Tesk_certrequest";

class TImportRequest {
public:
    TImportRequest();
    virtual ~TImportRequest() = default;

    // Stores the request. 0 or an ImportResult; the PKCS #11 return value
    // behind a failure is LastModuleResult. An unknown provider sets the
    // last error ERROR_NOT_SUPPORTED, a CryptoAPI write without container
    // or request NTE_NO_KEY, a failed CryptoAPI write keeps its error; a
    // module that does not load keeps the loader's; any other failure of
    // the module sets 0 (the module's result says more).
    DWORD Import(const std::u16string& provider, DWORD type, const std::u16string& container, DWORD keySpec,
                 const std::u16string& request);
    CK_RV LastModuleResult() const noexcept { return m_moduleResult; }

    // The data object's label: the container name in the ANSI code page cut
    // to 128 bytes, or without one the local time as yymmddhhmmss.
    static std::string RequestLabel(const std::u16string& container, const SYSTEMTIME& localTime);

private:
    // Provider name -> module file name; empty for a write through CryptoAPI.
    std::map<std::u16string, std::u16string> m_modules;
    CK_RV m_moduleResult = CKR_OK;
};

// The vendor module that serves the card provider; false for another.
bool ModuleForCsp(const std::u16string& provider, std::u16string& module);
