// reg.cpp: the registry wrapper over the Reg* functions.
#include "common/reg.h"

#include <cstring>

#include "common/codepage.h"

#include "win32/error.h"
#include "win32/error_codes.h"
#include "win32/text.h"

namespace {
constexpr REGSAM accessFor(bool readOnly) { return readOnly ? KEY_READ : KEY_READ | KEY_WRITE; }
}  // namespace

CReg::~CReg() { Close(); }

bool CReg::succeeded(LONG result) {
    if (result == ERROR_SUCCESS) return true;
    SetLastError(static_cast<DWORD>(result));
    return false;
}

bool CReg::keep(LONG result, HKEY key) {
    if (!succeeded(result)) return false;
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
    return succeeded(RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size));
}

bool CReg::QueryString(const char* name, std::u16string& out) {
    char buffer[1024] = {};
    if (!QueryString(name, buffer, sizeof buffer)) return false;
    out = MultiByteToWide(std::string(buffer, ::strnlen(buffer, sizeof buffer)), CP_ACP);
    return true;
}

bool CReg::QueryStringValue(const char* name, std::string& out) {
    if (!m_key) return false;
    std::string data;
    DWORD size = 0;
    LONG result = ERROR_SUCCESS;
    // The first call, with no room, learns the size. Another process may
    // lengthen the value before the read, which then asks for more again.
    do {
        data.resize(size);
        result = RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    } while (result == ERROR_MORE_DATA);
    if (!succeeded(result)) return false;
    data.resize(size);
    out.assign(data.c_str());
    return true;
}

bool CReg::SetString(const char* name, const char* text) {
    if (!m_key) return false;
    const DWORD size = static_cast<DWORD>(lstrlenA(text)) + 1;
    return succeeded(RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size));
}

bool CReg::QueryDword(const char* name, DWORD& value) {
    if (!m_key) return false;
    DWORD read = value;
    DWORD size = sizeof read;
    if (!succeeded(RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size)))
        return false;
    value = read;
    return true;
}

bool CReg::QueryDword(const char16_t* name, DWORD& value) {
    if (!m_key) return false;
    DWORD read = 0;
    DWORD size = sizeof read;
    DWORD type = REG_NONE;
    if (!succeeded(RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size)) ||
        type != REG_DWORD)
        return false;
    value = read;
    return true;
}

bool CReg::SetDword(const char* name, DWORD value) {
    if (!m_key) return false;
    return succeeded(
        RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value));
}

bool CReg::DeleteValue(const char* name) {
    if (!m_key) return false;
    return succeeded(RegDeleteValueA(m_key, name));
}
