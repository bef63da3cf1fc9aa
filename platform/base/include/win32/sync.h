// Events, mutexes, critical sections, waits and the handle functions.
#pragma once

#include "win32/files.h"
#include "win32/types.h"

BOOL CloseHandle(HANDLE hObject) noexcept;
BOOL DuplicateHandle(HANDLE hSourceProcess, HANDLE hSource, HANDLE hTargetProcess, LPHANDLE lpTarget,
                     DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions) noexcept;

// Unnamed events only are needed; a name is accepted and makes the event
// shared among the callers of this process that use the same name.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) noexcept;
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) noexcept;
BOOL SetEvent(HANDLE hEvent) noexcept;
BOOL ResetEvent(HANDLE hEvent) noexcept;
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bInitialOwner, LPCSTR lpName) noexcept;
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bInitialOwner, LPCWSTR lpName) noexcept;
BOOL ReleaseMutex(HANDLE hMutex) noexcept;

// WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (with the last error).
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) noexcept;
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) noexcept;

// A recursive lock owned by the calling thread.
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

LONG InterlockedIncrement(LONG volatile* p) noexcept;
LONG InterlockedDecrement(LONG volatile* p) noexcept;
LONG InterlockedExchange(LONG volatile* p, LONG v) noexcept;
LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) noexcept;
