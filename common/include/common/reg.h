// CReg: one open registry key, closed by the destructor or by the next
// Open or Create. Every operation on values is false while no key is held.
// The Reg* functions leave the thread's last error alone; a failed operation
// here sets it to the registry's code, so that the caller can log why.
#pragma once

#include <string>

#include "win32/registry.h"

class CReg {
public:
    CReg() = default;
    virtual ~CReg();
    CReg(const CReg&) = delete;
    CReg& operator=(const CReg&) = delete;

    // KEY_READ when readOnly, else KEY_READ | KEY_WRITE. After a failure no
    // key is held.
    bool Open(HKEY root, const char* subKey, bool readOnly);
    bool Open(HKEY root, const char16_t* subKey, bool readOnly);
    // Creates the key, or opens it when it exists, for reading and writing.
    bool Create(HKEY root, const char* subKey);
    void Close();

    // Reads at most bufferSize - 1 bytes of the value's data, whatever its
    // type, and adds no NUL: callers pass a zero-filled buffer.
    bool QueryString(const char* name, char* buffer, DWORD bufferSize);
    // The same into room of 1024 bytes, read as ANSI text up to its first
    // NUL and given as wide text; out is unchanged on failure.
    bool QueryString(const char* name, std::u16string& out);
    // Replaces out with the whole value's data, whatever its length or type,
    // up to its first NUL; out is unchanged on failure.
    bool QueryStringValue(const char* name, std::string& out);
    // Writes a REG_SZ value, its NUL included.
    bool SetString(const char* name, const char* text);
    // Reads 4 bytes of the value's data, whatever its type.
    bool QueryDword(const char* name, DWORD& value);
    // Reads a REG_DWORD value; a value of another type gives false.
    bool QueryDword(const char16_t* name, DWORD& value);
    bool SetDword(const char* name, DWORD value);
    bool DeleteValue(const char* name);

private:
    // Holds key when result is success.
    bool keep(LONG result, HKEY key);
    // True for ERROR_SUCCESS; otherwise the code becomes the last error.
    static bool succeeded(LONG result);

    HKEY m_key = nullptr;
};
