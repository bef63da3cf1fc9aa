#include "p11_session.h"

#include <string>

#include "p11_errors.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"

namespace platform::crypt::p11 {

Template& Template::add(CK_ATTRIBUTE_TYPE type, CK_ULONG value) {
    const auto* p = reinterpret_cast<const CK_BYTE*>(&value);
    m_values.emplace_back(type, Bytes(p, p + sizeof value));
    return *this;
}

Template& Template::flag(CK_ATTRIBUTE_TYPE type, bool value) {
    m_values.emplace_back(type, Bytes{value ? CK_TRUE : CK_FALSE});
    return *this;
}

Template& Template::add(CK_ATTRIBUTE_TYPE type, std::span<const CK_BYTE> value) {
    m_values.emplace_back(type, Bytes(value.begin(), value.end()));
    return *this;
}

Template& Template::add(CK_ATTRIBUTE_TYPE type, std::string_view value) {
    return add(type, std::span(reinterpret_cast<const CK_BYTE*>(value.data()), value.size()));
}

CK_ATTRIBUTE* Template::data() {
    m_attributes.clear();
    for (auto& [type, value] : m_values)
        m_attributes.push_back(CK_ATTRIBUTE{type, value.data(), static_cast<CK_ULONG>(value.size())});
    return m_attributes.data();
}

Session::Session(std::shared_ptr<Module> module, CK_SLOT_ID slot)
    : m_module(std::move(module)), m_f(m_module->f()), m_slot(slot) {
    check(m_f.C_OpenSession(slot, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &m_handle), "C_OpenSession");
}

Session::~Session() { m_f.C_CloseSession(m_handle); }

CK_TOKEN_INFO Session::tokenInfo() const {
    CK_TOKEN_INFO info{};
    check(m_f.C_GetTokenInfo(m_slot, &info), "C_GetTokenInfo");
    return info;
}

CK_SLOT_INFO Session::slotInfo() const {
    CK_SLOT_INFO info{};
    check(m_f.C_GetSlotInfo(m_slot, &info), "C_GetSlotInfo");
    return info;
}

std::optional<CK_MECHANISM_INFO> Session::mechanismInfo(CK_MECHANISM_TYPE type) const {
    CK_MECHANISM_INFO info{};
    const CK_RV rv = m_f.C_GetMechanismInfo(m_slot, type, &info);
    if (rv == CKR_MECHANISM_INVALID) return std::nullopt;
    check(rv, "C_GetMechanismInfo");
    return info;
}

bool Session::loggedIn() const {
    CK_SESSION_INFO info{};
    check(m_f.C_GetSessionInfo(m_handle, &info), "C_GetSessionInfo");
    return info.state == CKS_RO_USER_FUNCTIONS || info.state == CKS_RW_USER_FUNCTIONS;
}

void Session::login(std::string_view pin) {
    std::string copy(pin);
    const CK_RV rv = m_f.C_Login(m_handle, CKU_USER, reinterpret_cast<CK_UTF8CHAR*>(copy.data()),
                                 static_cast<CK_ULONG>(copy.size()));
    if (rv != CKR_USER_ALREADY_LOGGED_IN) check(rv, "C_Login");
}

std::vector<CK_OBJECT_HANDLE> Session::find(Template& match) const {
    check(m_f.C_FindObjectsInit(m_handle, match.data(), match.size()), "C_FindObjectsInit");
    std::vector<CK_OBJECT_HANDLE> found;
    CK_RV rv = CKR_OK;
    for (;;) {
        CK_OBJECT_HANDLE batch[32];
        CK_ULONG count = 0;
        rv = m_f.C_FindObjects(m_handle, batch, 32, &count);
        if (rv != CKR_OK || count == 0) break;
        found.insert(found.end(), batch, batch + count);
    }
    m_f.C_FindObjectsFinal(m_handle);
    check(rv, "C_FindObjects");
    return found;
}

std::optional<Bytes> Session::attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type, std::size_t maxSize) const {
    CK_ATTRIBUTE query{type, nullptr, 0};
    if (m_f.C_GetAttributeValue(m_handle, object, &query, 1) != CKR_OK || query.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return std::nullopt;
    if (query.ulValueLen > maxSize)
        throw WinError(NTE_BAD_DATA, "the token's object holds " + std::to_string(query.ulValueLen) +
                                         " bytes, more than the " + std::to_string(maxSize) + " allowed");
    Bytes value(query.ulValueLen);
    query.pValue = value.data();
    check(m_f.C_GetAttributeValue(m_handle, object, &query, 1), "C_GetAttributeValue");
    value.resize(query.ulValueLen);
    return value;
}

CK_OBJECT_HANDLE Session::create(Template& object) {
    CK_OBJECT_HANDLE handle = 0;
    check(m_f.C_CreateObject(m_handle, object.data(), object.size(), &handle), "C_CreateObject");
    return handle;
}

void Session::destroy(CK_OBJECT_HANDLE object) { check(m_f.C_DestroyObject(m_handle, object), "C_DestroyObject"); }

std::pair<CK_OBJECT_HANDLE, CK_OBJECT_HANDLE> Session::generateRsaPair(Template& publicKey, Template& privateKey) {
    CK_MECHANISM mechanism{CKM_RSA_PKCS_KEY_PAIR_GEN, nullptr, 0};
    CK_OBJECT_HANDLE pub = 0;
    CK_OBJECT_HANDLE priv = 0;
    check(m_f.C_GenerateKeyPair(m_handle, &mechanism, publicKey.data(), publicKey.size(), privateKey.data(),
                                privateKey.size(), &pub, &priv),
          "C_GenerateKeyPair");
    return {pub, priv};
}

Bytes Session::sign(CK_OBJECT_HANDLE key, std::span<const CK_BYTE> input) {
    CK_MECHANISM mechanism{CKM_RSA_PKCS, nullptr, 0};
    check(m_f.C_SignInit(m_handle, &mechanism, key), "C_SignInit");
    Bytes data(input.begin(), input.end());
    CK_ULONG size = 0;
    check(m_f.C_Sign(m_handle, data.data(), static_cast<CK_ULONG>(data.size()), nullptr, &size), "C_Sign");
    Bytes signature(size);
    check(m_f.C_Sign(m_handle, data.data(), static_cast<CK_ULONG>(data.size()), signature.data(), &size), "C_Sign");
    signature.resize(size);
    return signature;
}

}  // namespace platform::crypt::p11
