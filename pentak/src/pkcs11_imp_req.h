// TPkcs11ImpReq: a prepared request written onto the token as a public
// data object, and the token's serial number, through one vendor module
// loaded for the one operation.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pkcs11.h"
#include "win32/types.h"

// Result codes of the import (0 is success).
inline constexpr DWORD kImportUnknownProvider = 1005;  // the provider is not one the import knows
inline constexpr DWORD kImportNoSlot = 1054;           // the module lists no slot
inline constexpr DWORD kImportNoToken = 1055;          // no slot holds a token
inline constexpr DWORD kImportLoginCancelled = 1056;   // the user cancelled the login
inline constexpr DWORD kImportNoSession = 1057;        // no session opens on the token
inline constexpr DWORD kImportNothingToWrite = 1058;   // a container data write without container or request
inline constexpr DWORD kImportLoginFailed = 1060;      // the login was refused (wrong or blocked PIN, ...)
inline constexpr DWORD kImportModuleFailed = 1101;     // the module cannot be loaded or initialised
inline constexpr DWORD kImportWriteFailed = 1102;      // the request could not be written

class TPkcs11ImpReq : public TPkcs11 {
public:
    explicit TPkcs11ImpReq(std::u16string moduleName) : TPkcs11(std::move(moduleName)) {}

    // Writes the value as a public, modifiable token data object of the
    // application and label onto the first token that opens a session,
    // after the user has been asked, for each older data object of the
    // application and label, whether it goes. A token without room is
    // offered its older requests of the application for removal, and the
    // write is tried once more when one went. 0 or an ImportResult.
    DWORD WriteRequest(const std::string& application, const std::string& label, const std::string& value);
    // The serial number of the first token present (blank padding
    // removed). 0, kImportModuleFailed, kImportNoSlot or kImportNoToken.
    DWORD GetTokenSerial(std::u16string& serial);

private:
    // Logs in when the token asks for it: with its own PIN path, else with
    // the PIN the user enters. 0 or the login's ImportResult; loggedIn
    // tells whether a logout is due.
    DWORD logIn(CK_SESSION_HANDLE session, const CK_TOKEN_INFO& token, bool& loggedIn);
    // Asks (caption 10, question textId) about each data object matching
    // the template and destroys those the user says Yes to; true when at
    // least one went.
    bool deleteWithConsent(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& match, int textId);
    // The slot of the first token present; false when none.
    bool firstToken(CK_SLOT_ID& slot, CK_TOKEN_INFO& token);
    DWORD writeOnSession(CK_SESSION_HANDLE session, const std::string& application, const std::string& label,
                         const std::string& value);
};
