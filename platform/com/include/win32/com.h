// COM: GUID texts, IUnknown and IClassFactory, apartments, and in-process
// activation through the registry (HKCR\CLSID\{...}\InprocServer32 names a
// shared object, loaded with LoadLibrary, asked for DllGetClassObject).
// Objects run on the thread that creates them: there is no marshalling, so
// the threading model a class registers is recorded but changes nothing.
//
// The apartments, the loaded servers and the error info are one per
// process, whatever number of modules carry a copy of this layer: every
// copy serves them through the copy of the program (see README).
#pragma once

#include "win32/error_codes.h"
#include "win32/types.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPCLSID = CLSID*;
using LPIID = IID*;
using SCODE = LONG;

inline bool IsEqualGUID(REFGUID a, REFGUID b) noexcept { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) noexcept { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) noexcept { return a == b; }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;  // objects go away through Release only
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : public IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// Text forms: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
// StringFromGUID2 returns the characters written with the NUL (39), or 0
// when the buffer is shorter. CLSIDFromString also takes a registered
// ProgID; anything else is CO_E_CLASSSTRING.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) noexcept;
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) noexcept;  // free with CoTaskMemFree
HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) noexcept;
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) noexcept;
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) noexcept;
// HKCR\<ProgID>\CLSID, else the ProgID its CurVer names. An unknown ProgID
// is CO_E_CLASSSTRING (no OLE 1 class is made up for it).
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) noexcept;
// HKCR\CLSID\{...}\ProgID; REGDB_E_CLASSNOTREG when the class has none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) noexcept;

// The task allocator: what COM hands out for the caller to free.
LPVOID CoTaskMemAlloc(SIZE_T cb) noexcept;
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) noexcept;
void CoTaskMemFree(LPVOID pv) noexcept;

// Apartments, per thread: the first call gives S_OK, each further call of
// the same model S_FALSE (and needs its own CoUninitialize), a call of the
// other model RPC_E_CHANGED_MODE. When the last initialised thread of the
// process uninitialises, every server module that activation loaded is
// freed.
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
inline constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;
HRESULT CoInitialize(LPVOID pvReserved) noexcept;
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) noexcept;
void CoUninitialize() noexcept;

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                    CLSCTX_REMOTE_SERVER;

// Only in-process servers exist: a context without CLSCTX_INPROC_SERVER
// finds no server (REGDB_E_CLASSNOTREG). A thread that did not initialise
// gets CO_E_NOTINITIALIZED. A module that cannot be loaded gives the Win32
// error of LoadLibrary as an HRESULT; one without DllGetClassObject
// CO_E_ERRORINDLL.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid,
                         LPVOID* ppv) noexcept;
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) noexcept;
// Asks each loaded server module DllCanUnloadNow and frees those that say S_OK.
void CoFreeUnusedLibraries() noexcept;

// The entry points an in-process server exports.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
using DllInstallFn = HRESULT (*)(BOOL bInstall, LPCWSTR pszCmdLine);
