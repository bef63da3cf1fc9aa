// Threads behind handles: started with a routine and its parameter,
// waited for with WaitForSingleObject (signalled once the routine has
// returned), their exit code read with GetExitCodeThread.
#pragma once

#include "win32/process.h"
#include "win32/sync.h"
#include "win32/types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

inline constexpr DWORD CREATE_SUSPENDED = 0x00000004;
inline constexpr DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x00010000;

// Runs lpStartAddress(lpParameter) on a new thread; the routine's return
// value is the thread's exit code. The stack size (0: the default) is a
// wish the system may round; security attributes are ignored. Flags other
// than STACK_SIZE_PARAM_IS_A_RESERVATION (a suspended start among them)
// give ERROR_INVALID_PARAMETER, as does a null routine. lpThreadId, when
// given, receives the id GetCurrentThreadId returns on the new thread.
// Close the handle with CloseHandle; the thread runs on without it.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId) noexcept;
// STILL_ACTIVE while the thread runs, then the routine's return value.
// ERROR_INVALID_HANDLE for a handle that is not a thread.
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) noexcept;
