#include "pkcs11_imp_req.h"

#include <cstring>
#include <optional>

#include "cert_view.h"
#include "common/codepage.h"
#include "pentak_resource.h"
#include "platform/ui.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/ui.h"

namespace {

constexpr int kDeleteCaption = 10;
constexpr int kDeleteOlderQuestion = 11;
constexpr int kDeleteForRoomQuestion = 12;
constexpr UINT kDeleteStyle = MB_YESNOCANCEL | MB_ICONQUESTION;
// Labels longer than this are not read; such an object is offered unnamed.
constexpr std::size_t kMaxLabelBytes = 4096;

CK_ATTRIBUTE attribute(CK_ATTRIBUTE_TYPE type, const std::string& text) {
    return {type, const_cast<char*>(text.data()), text.size()};
}

template <class T>
CK_ATTRIBUTE attribute(CK_ATTRIBUTE_TYPE type, T& value) {
    return {type, &value, sizeof value};
}

// Text of fixed-width blank-padded PKCS #11 fields.
std::string trimmed(const CK_UTF8CHAR* field, std::size_t width) {
    std::string text(reinterpret_cast<const char*>(field), width);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A label as the user reads it: UTF-8 when it is, else the ANSI code page
// it was written in.
std::u16string labelText(const std::vector<CK_BYTE>& label) {
    const auto* bytes = reinterpret_cast<const char*>(label.data());
    const int length = static_cast<int>(label.size());
    const bool utf8 = platform::text::isValidUtf8(std::string_view(bytes, label.size()));
    return String2WideChar(bytes, length, utf8 ? CP_UTF8 : CP_ACP);
}

}  // namespace

bool TPkcs11ImpReq::deleteWithConsent(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& match, int textId) {
    // The search ends before anything is destroyed: modules may refuse
    // changes while one is active.
    std::vector<CK_OBJECT_HANDLE> objects;
    if (!FindObjects(session, match, objects)) return false;
    const auto* texts = TPentakResource::Instance();
    bool destroyed = false;
    for (const CK_OBJECT_HANDLE object : objects) {
        std::vector<CK_BYTE> objectClass, label;
        if (!GetAttribute(session, object, CKA_CLASS, sizeof(CK_OBJECT_CLASS), objectClass) ||
            objectClass.size() != sizeof(CK_OBJECT_CLASS))
            continue;
        CK_OBJECT_CLASS value = 0;
        std::memcpy(&value, objectClass.data(), sizeof value);
        if (value != CKO_DATA) continue;
        if (!GetAttribute(session, object, CKA_LABEL, kMaxLabelBytes, label)) label.clear();
        const std::u16string question = texts->FormatText(textId, labelText(label).c_str());
        if (ShowMessageBox(question, texts->GetString(kDeleteCaption), kDeleteStyle) == IDYES &&
            DestroyObject(session, object))
            destroyed = true;
    }
    return destroyed;
}

DWORD TPkcs11ImpReq::logIn(CK_SESSION_HANDLE session, const CK_TOKEN_INFO& token, bool& loggedIn) {
    loggedIn = false;
    if (!(token.flags & CKF_LOGIN_REQUIRED)) return 0;
    std::string pin;
    if (!(token.flags & CKF_PROTECTED_AUTHENTICATION_PATH)) {
        std::optional<std::string> entered;
        try {
            entered = platform::ui::backend().askPin(
                {WideToMultiByte(ModuleName().c_str(), static_cast<int>(ModuleName().size())),
                 trimmed(token.label, sizeof token.label)});
        } catch (const platform::WinError&) {
            return kImportLoginFailed;
        }
        if (!entered) return kImportLoginCancelled;
        pin = std::move(*entered);
    }
    if (Login(session, pin)) {
        loggedIn = true;
        return 0;
    }
    if (LastResult() == CKR_USER_ALREADY_LOGGED_IN) return 0;
    return LastResult() == CKR_FUNCTION_CANCELED ? kImportLoginCancelled : kImportLoginFailed;
}

DWORD TPkcs11ImpReq::writeOnSession(CK_SESSION_HANDLE session, const std::string& application,
                                    const std::string& label, const std::string& value) {
    CK_OBJECT_CLASS dataClass = CKO_DATA;
    CK_BBOOL yes = CK_TRUE, no = CK_FALSE;
    std::vector<CK_ATTRIBUTE> older = {attribute(CKA_APPLICATION, application), attribute(CKA_LABEL, label)};
    deleteWithConsent(session, older, kDeleteOlderQuestion);

    std::vector<CK_ATTRIBUTE> object = {attribute(CKA_CLASS, dataClass), attribute(CKA_LABEL, label),
                                        attribute(CKA_TOKEN, yes),       attribute(CKA_VALUE, value),
                                        attribute(CKA_PRIVATE, no),      attribute(CKA_MODIFIABLE, yes),
                                        attribute(CKA_APPLICATION, application)};
    if (CreateObject(session, object)) return 0;
    if (LastResult() != CKR_DEVICE_MEMORY) return kImportWriteFailed;
    std::vector<CK_ATTRIBUTE> requests = {attribute(CKA_APPLICATION, application)};
    if (!deleteWithConsent(session, requests, kDeleteForRoomQuestion)) {
        SetLastResult(CKR_DEVICE_MEMORY);
        return kImportWriteFailed;
    }
    return CreateObject(session, object) ? 0 : kImportWriteFailed;
}

DWORD TPkcs11ImpReq::WriteRequest(const std::string& application, const std::string& label,
                                  const std::string& value) {
    if (!Open()) return kImportModuleFailed;
    if (!ReadSlotList() || Slots().empty()) return kImportNoSlot;
    DWORD result = kImportNoToken;
    for (const CK_SLOT_ID slot : Slots()) {
        CK_SLOT_INFO info{};
        if (!GetSlotInfo(slot, info) || !(info.flags & CKF_TOKEN_PRESENT)) continue;
        CK_SESSION_HANDLE session = 0;
        if (!OpenSession(slot, true, session)) {
            result = kImportNoSession;
            continue;
        }
        CK_TOKEN_INFO token{};
        bool loggedIn = false;
        if (!GetTokenInfo(slot, token)) {
            result = kImportNoToken;
        } else if (const DWORD login = logIn(session, token, loggedIn); login != 0) {
            result = login;
        } else {
            result = writeOnSession(session, application, label, value);
        }
        // The result tells of the write, not of the clean-up after it.
        const CK_RV rv = LastResult();
        if (loggedIn) Logout(session);
        CloseSession(session);
        SetLastResult(rv);
        return result;
    }
    return result;
}

bool TPkcs11ImpReq::firstToken(CK_SLOT_ID& slot, CK_TOKEN_INFO& token) {
    for (const CK_SLOT_ID candidate : Slots()) {
        CK_SLOT_INFO info{};
        if (!GetSlotInfo(candidate, info) || !(info.flags & CKF_TOKEN_PRESENT)) continue;
        if (!GetTokenInfo(candidate, token)) continue;
        slot = candidate;
        return true;
    }
    return false;
}

DWORD TPkcs11ImpReq::GetTokenSerial(std::u16string& serial) {
    if (!Open()) return kImportModuleFailed;
    if (!ReadSlotList()) return kImportNoSlot;
    CK_SLOT_ID slot = 0;
    CK_TOKEN_INFO token{};
    if (!firstToken(slot, token)) return kImportNoToken;
    serial = MultiByteToWide(trimmed(token.serialNumber, sizeof token.serialNumber), CP_ACP);
    return 0;
}
