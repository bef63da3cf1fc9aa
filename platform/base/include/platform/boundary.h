// Entry points of the layer: a Windows-shaped function around a body that
// may throw. Nothing thrown leaves an entry point; success leaves the last
// error alone, as most Windows functions do.
#pragma once

#include <new>

#include "platform/win_error.h"
#include "win32/error.h"

namespace platform {

// BOOL functions: FALSE with the last error set.
template <class Body>
BOOL winBool(Body&& body) noexcept {
    try {
        return body() ? TRUE : FALSE;
    } catch (const WinError& e) {
        SetLastError(e.code());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        SetLastError(static_cast<DWORD>(NTE_FAIL));
    }
    return FALSE;
}

// Functions that return a pointer or handle: `failed` with the last error set.
template <class T, class Body>
T winValue(T failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const WinError& e) {
        SetLastError(e.code());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        SetLastError(static_cast<DWORD>(NTE_FAIL));
    }
    return failed;
}

// Reg* and SCard* functions return their code and leave the last error alone.
template <class Body>
LONG winLong(Body&& body) noexcept {
    try {
        body();
        return ERROR_SUCCESS;
    } catch (const WinError& e) {
        return static_cast<LONG>(e.code());
    } catch (const std::bad_alloc&) {
        return static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        return static_cast<LONG>(ERROR_INTERNAL_ERROR);
    }
}

// COM members: the HRESULT of the code (Win32 numbers are wrapped, HRESULTs
// pass unchanged). The COM area adds the error info of its own.
template <class Body>
HRESULT winHr(Body&& body) noexcept {
    try {
        return body();
    } catch (const WinError& e) {
        return HRESULT_FROM_WIN32(e.code());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace platform
