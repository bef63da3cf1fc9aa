// Events, mutexes, critical sections, waits and the handle functions.
#pragma once

#include "win32/error_codes.h"
#include "win32/files.h"
#include "win32/types.h"

inline constexpr DWORD DUPLICATE_CLOSE_SOURCE = 0x1;
inline constexpr DWORD DUPLICATE_SAME_ACCESS = 0x2;

BOOL CloseHandle(HANDLE hObject) noexcept;
// Within the current process only: both process handles are GetCurrentProcess().
// The duplicate refers to the same object; DUPLICATE_CLOSE_SOURCE closes the source.
BOOL DuplicateHandle(HANDLE hSourceProcess, HANDLE hSource, HANDLE hTargetProcess, LPHANDLE lpTarget,
                     DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions) noexcept;

// Unnamed events only are needed; a name is accepted and makes the event
// shared among the callers of this process that use the same name. Events
// and mutexes share one name space. On success the last error is
// ERROR_ALREADY_EXISTS when the name was in use (the other arguments are
// then ignored), else ERROR_SUCCESS; a name held by the other kind of
// object gives ERROR_INVALID_HANDLE.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) noexcept;
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) noexcept;
BOOL SetEvent(HANDLE hEvent) noexcept;
BOOL ResetEvent(HANDLE hEvent) noexcept;
// Owned by a thread, recursively. A mutex whose owner thread ends without
// releasing it is abandoned: the next wait takes it and returns WAIT_ABANDONED.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bInitialOwner, LPCSTR lpName) noexcept;
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bInitialOwner, LPCWSTR lpName) noexcept;
// ERROR_NOT_OWNER when the calling thread does not own the mutex.
BOOL ReleaseMutex(HANDLE hMutex) noexcept;

inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
inline constexpr DWORD WAIT_ABANDONED_0 = WAIT_ABANDONED;

// WAIT_OBJECT_0 (+ index), WAIT_ABANDONED_0 (+ index), WAIT_TIMEOUT or
// WAIT_FAILED (with the last error: ERROR_INVALID_HANDLE for a handle that
// is not a waitable object, ERROR_INVALID_PARAMETER for a count of 0 or
// above MAXIMUM_WAIT_OBJECTS, or one object twice in a wait for all).
// Waiting for all takes every object at once or none.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) noexcept;
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) noexcept;

// A recursive lock owned by the calling thread. Leaving a section the
// calling thread does not hold changes nothing; a zeroed section (a static
// one never initialised) is initialised on first entry; a null pointer is
// ignored.
struct CRITICAL_SECTION {
    void* impl;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION cs) noexcept;
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount) noexcept;
void EnterCriticalSection(LPCRITICAL_SECTION cs) noexcept;
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) noexcept;
void LeaveCriticalSection(LPCRITICAL_SECTION cs) noexcept;
void DeleteCriticalSection(LPCRITICAL_SECTION cs) noexcept;

// Each returns the resulting value, except Exchange and CompareExchange,
// which return the value before; values wrap around as 32-bit integers.
LONG InterlockedIncrement(LONG volatile* p) noexcept;
LONG InterlockedDecrement(LONG volatile* p) noexcept;
LONG InterlockedExchange(LONG volatile* p, LONG v) noexcept;
LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) noexcept;
