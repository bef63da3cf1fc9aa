// reg.cpp: the registry wrapper over the Reg* functions.
#include "common/reg.h"

#include "win32/error_codes.h"
#include "win32/text.h"

namespace {
constexpr REGSAM accessFor(bool readOnly) { return readOnly ? KEY_READ : KEY_READ | KEY_WRITE; }
}  // namespace

CReg::~CReg() { Close(); }

bool CReg::keep(LONG result, HKEY key) {
    if (result != ERROR_SUCCESS) return false;
    m_key = key;
    return true;
}

bool CReg::Open(HKEY root, const char* subKey, bool readOnly) {
    Close();
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(root, subKey, 0, accessFor(readOnly), &key);
    return keep(result, key);
}

bool CReg::Open(HKEY root, const char16_t* subKey, bool readOnly) {
    Close();
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExW(root, subKey, 0, accessFor(readOnly), &key);
    return keep(result, key);
}

bool CReg::Create(HKEY root, const char* subKey) {
    Close();
    HKEY key = nullptr;
    char noClass[] = "";
    const LONG result =
        RegCreateKeyExA(root, subKey, 0, noClass, REG_OPTION_NON_VOLATILE, accessFor(false), nullptr, &key, nullptr);
    return keep(result, key);
}

void CReg::Close() {
    if (!m_key) return;
    RegCloseKey(m_key);
    m_key = nullptr;
}

bool CReg::QueryString(const char* name, char* buffer, DWORD bufferSize) {
    // A buffer of no bytes has no room even for the NUL the caller keeps.
    if (!m_key || bufferSize == 0) return false;
    DWORD size = bufferSize - 1;
    return RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
}

bool CReg::SetString(const char* name, const char* text) {
    if (!m_key) return false;
    const DWORD size = static_cast<DWORD>(lstrlenA(text)) + 1;
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) == ERROR_SUCCESS;
}

bool CReg::QueryDword(const char* name, DWORD& value) {
    if (!m_key) return false;
    DWORD read = value;
    DWORD size = sizeof read;
    if (RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS)
        return false;
    value = read;
    return true;
}

bool CReg::QueryDword(const char16_t* name, DWORD& value) {
    if (!m_key) return false;
    DWORD read = 0;
    DWORD size = sizeof read;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return false;
    value = read;
    return true;
}

bool CReg::SetDword(const char* name, DWORD value) {
    if (!m_key) return false;
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool CReg::DeleteValue(const char* name) {
    if (!m_key) return false;
    return RegDeleteValueA(m_key, name) == ERROR_SUCCESS;
}
