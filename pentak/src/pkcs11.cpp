#include "pkcs11.h"

#include <utility>

namespace {

// Searches are read an object at a time, and no token holds more requests
// than this: a module that keeps answering is not followed further.
constexpr std::size_t kMaxFoundObjects = 4096;

}  // namespace

TPkcs11::TPkcs11(std::u16string moduleName) : m_moduleName(std::move(moduleName)) {}

TPkcs11::~TPkcs11() {
    if (m_functions && m_initialisedHere) m_rv = m_functions->C_Finalize(nullptr);
    m_functions = nullptr;
    m_module.Free();
}

bool TPkcs11::Open() {
    if (m_functions) return true;
    if (!m_module.Load(m_moduleName.c_str())) return false;
    const auto getList = m_module.GetProc("C_GetFunctionList", CK_C_GetFunctionList{});
    CK_FUNCTION_LIST_PTR functions = nullptr;
    if (!getList || !keep(getList(&functions)) || !functions) return false;
    const CK_RV rv = functions->C_Initialize(nullptr);
    m_rv = rv;
    if (rv != CKR_OK && rv != CKR_CRYPTOKI_ALREADY_INITIALIZED) return false;
    m_initialisedHere = rv == CKR_OK;
    m_functions = functions;
    return true;
}

bool TPkcs11::ReadSlotList() {
    m_slots.clear();
    CK_ULONG count = 0;
    const CK_RV rv = m_functions->C_GetSlotList(CK_FALSE, nullptr, &count);
    m_rv = rv;
    if (rv != CKR_OK && rv != CKR_BUFFER_TOO_SMALL) return false;
    m_slots.resize(count);
    if (!keep(m_functions->C_GetSlotList(CK_FALSE, m_slots.data(), &count))) {
        m_slots.clear();
        return false;
    }
    m_slots.resize(count);
    return true;
}

bool TPkcs11::GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO& out) { return keep(m_functions->C_GetSlotInfo(slot, &out)); }

bool TPkcs11::GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO& out) {
    return keep(m_functions->C_GetTokenInfo(slot, &out));
}

bool TPkcs11::OpenSession(CK_SLOT_ID slot, bool readWrite, CK_SESSION_HANDLE& out) {
    const CK_FLAGS flags = CKF_SERIAL_SESSION | (readWrite ? CKF_RW_SESSION : 0);
    return keep(m_functions->C_OpenSession(slot, flags, nullptr, nullptr, &out));
}

void TPkcs11::CloseSession(CK_SESSION_HANDLE session) { keep(m_functions->C_CloseSession(session)); }

bool TPkcs11::Login(CK_SESSION_HANDLE session, const std::string& pin) {
    std::string copy = pin;
    auto* bytes = copy.empty() ? nullptr : reinterpret_cast<CK_UTF8CHAR_PTR>(copy.data());
    return keep(m_functions->C_Login(session, CKU_USER, bytes, copy.size()));
}

void TPkcs11::Logout(CK_SESSION_HANDLE session) { keep(m_functions->C_Logout(session)); }

bool TPkcs11::CreateObject(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& attributes) {
    CK_OBJECT_HANDLE object = 0;
    return keep(m_functions->C_CreateObject(session, attributes.data(), attributes.size(), &object));
}

bool TPkcs11::DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
    return keep(m_functions->C_DestroyObject(session, object));
}

bool TPkcs11::FindObjects(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& match,
                          std::vector<CK_OBJECT_HANDLE>& out) {
    out.clear();
    if (!keep(m_functions->C_FindObjectsInit(session, match.data(), match.size()))) return false;
    CK_OBJECT_HANDLE object = 0;
    CK_ULONG found = 0;
    while (out.size() < kMaxFoundObjects && keep(m_functions->C_FindObjects(session, &object, 1, &found)) &&
           found == 1)
        out.push_back(object);
    const CK_RV searchResult = m_rv;
    keep(m_functions->C_FindObjectsFinal(session));
    return searchResult == CKR_OK;
}

bool TPkcs11::GetAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                           std::size_t maxLength, std::vector<CK_BYTE>& out) {
    CK_ATTRIBUTE attribute{type, nullptr, 0};
    if (!keep(m_functions->C_GetAttributeValue(session, object, &attribute, 1))) return false;
    // CK_UNAVAILABLE_INFORMATION is the largest CK_ULONG, so the bound
    // refuses it too.
    if (attribute.ulValueLen > maxLength) return false;
    out.assign(attribute.ulValueLen, 0);
    attribute.pValue = out.data();
    if (!keep(m_functions->C_GetAttributeValue(session, object, &attribute, 1))) return false;
    if (attribute.ulValueLen > out.size()) return false;
    out.resize(attribute.ulValueLen);
    return true;
}
