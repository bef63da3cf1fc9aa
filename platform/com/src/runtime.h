// The process's one COM runtime: the apartments of its threads, the server
// modules activation loaded, the threads' error info. Every module carries
// its own copy of the layer, yet a server module must see the apartment the
// program's thread entered and the error info a server set must reach the
// program, as with the one system library on Windows. So the copy in the
// program serves every copy: it exports a table of entry points
// (tesk_com_runtime_v1, exported by the link option platform::com gives
// programs), and each copy looks it up once in the process's global scope,
// falling back to its own when the program carries none. Error info and
// type libraries are made by the serving copy too, so that they stay valid
// after the server module that asked for them has been unloaded.
#pragma once

#include <cstdint>

#include "win32/oleauto.h"

namespace platform::com {

struct Runtime {
    std::uint32_t size;  // sizeof(Runtime) of the serving copy
    HRESULT (*initialize)(LPVOID reserved, DWORD coInit) noexcept;
    void (*uninitialize)() noexcept;
    HRESULT (*getClassObject)(const CLSID& clsid, DWORD context, const IID& iid, void** ppv) noexcept;
    void (*freeUnusedLibraries)() noexcept;
    HRESULT (*setErrorInfo)(IErrorInfo* info) noexcept;
    HRESULT (*getErrorInfo)(IErrorInfo** info) noexcept;
    // Objects that outlive the module which asked for them are made here.
    HRESULT (*createErrorInfo)(ICreateErrorInfo** info) noexcept;
    HRESULT (*loadTypeLib)(const OLECHAR* file, ITypeLib** library) noexcept;
};

// The serving table (the program's, else this copy's).
const Runtime& runtime() noexcept;

// This copy's implementation of the table.
namespace own {
HRESULT initialize(LPVOID reserved, DWORD coInit) noexcept;
void uninitialize() noexcept;
bool initialized() noexcept;
HRESULT getClassObject(const CLSID& clsid, DWORD context, const IID& iid, void** ppv) noexcept;
void freeUnusedLibraries() noexcept;
// Frees every loaded server module; called when the last apartment ends.
void freeAllLibraries() noexcept;
HRESULT setErrorInfo(IErrorInfo* info) noexcept;
HRESULT getErrorInfo(IErrorInfo** info) noexcept;
void clearErrorInfo() noexcept;
HRESULT createErrorInfo(ICreateErrorInfo** info) noexcept;
HRESULT loadTypeLib(const OLECHAR* file, ITypeLib** library) noexcept;
}  // namespace own

}  // namespace platform::com
