// The one session of the exported functions, and the checks each of them
// makes before it runs its session operation.
#pragma once

#include "enroll.h"
#include "kept_result.h"
#include "platform/boundary.h"
#include "result_rules.h"
#include "win32/error_codes.h"

namespace pentak::exports {

// The process's session: null before Pentak_Initialize and after
// Pentak_UnInitialize.
CEnroll* currentSession() noexcept;
// Makes the session unless there is one; false when it cannot be made.
bool startSession() noexcept;
void endSession() noexcept;

// A pointer argument that must be given; a text that must be given and not
// be empty.
template <class T>
bool given(const T* pointer) noexcept {
    return pointer != nullptr;
}
template <class Char>
bool filled(const Char* text) noexcept {
    return text != nullptr && *text != Char{};
}

// Runs body(session) and gives its HRESULT: E_HANDLE when there is no
// session, 0x80070057 when a required argument is missing (the caller's
// given/filled checks, evaluated beforehand). What the body throws becomes
// its HRESULT; nothing leaves the library.
template <class Body>
HRESULT onSession(bool argumentsGiven, Body&& body) noexcept {
    return platform::winHr([&]() -> HRESULT {
        noteSessionCall();
        CEnroll* session = currentSession();
        if (!session) return E_HANDLE;
        if (!argumentsGiven) return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
        return body(*session);
    });
}

// Runs step(session), a session operation that answers with a truth value
// or with a result code, after the same checks, and gives its HRESULT by the
// library's result rules (result_rules.h). An argument that does not
// convert may be refused inside the step: nothing has run by then.
template <class Step>
HRESULT flagOn(bool argumentsGiven, Step&& step) noexcept {
    return onSession(argumentsGiven, [&](CEnroll& s) { return pentak::flagOf([&] { return step(s); }); });
}
template <class Step>
HRESULT codeOn(bool argumentsGiven, Step&& step) noexcept {
    return onSession(argumentsGiven, [&](CEnroll& s) { return pentak::codeOf([&] { return step(s); }); });
}

}  // namespace pentak::exports
