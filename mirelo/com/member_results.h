// How a member of ISignerKyd answers: a member with an out argument checks
// it first (E_POINTER, before the signer is called); a member over an
// operation with a success flag gives S_OK, or for a failure the last error
// its system calls left as an HRESULT (0 gives 0x80090020, a positive number its low
// 16 bits as a Win32 HRESULT, a negative one passes as it is). Text goes to
// the signer in the ANSI code page, characters the page lacks replaced by
// its default character; text handed out is a new BSTR, or null when
// empty, and E_OUTOFMEMORY when it cannot be allocated.
//
// A text that names a file, a folder or a file mask is another matter: with
// "?" for a character the page lacks it would name another file (asking for
// "x日.kyd" would open "x?.kyd"). Such a name is refused as Windows
// refuses a name holding "?": the operation does not run, nothing is opened
// or written, the signer records ERROR_INVALID_NAME with the system's text
// and the member fails with it. A file or folder name holding "?" or "*"
// is refused the same way, as the layer's file functions refuse it; a mask
// keeps its wildcards.
#pragma once

#include <string>

#include "platform/boundary.h"
#include "win32/oleauto.h"

class TSigner;

HRESULT ResultOfFlag(bool succeeded);
std::string NarrowOf(BSTR text);
HRESULT HandOut(const std::string& narrow, BSTR* out);

// The name in the ANSI page; throws RefusedName when the page cannot hold
// it whole or, for a file or folder name, when it holds a wildcard. Only
// inside OnNames.
struct RefusedName {};
std::string NameOf(BSTR text);
std::string MaskOf(BSTR text);
// Records the refusal on the signer; false, the thread's last error
// ERROR_INVALID_NAME.
bool RecordRefusedName(TSigner& signer);

// The operation (of any arguments) over names taken by NameOf, for
// RunOperation and RunTextOperation: a refused name ends it as
// RecordRefusedName says.
template <class Operation>
auto OnNames(TSigner& signer, Operation&& operation) {
    return [&signer, &operation](auto&... arguments) -> bool {
        try {
            return operation(arguments...);
        } catch (const RefusedName&) {
            return RecordRefusedName(signer);
        }
    };
}

// A member that reads a value into its out argument.
template <class T, class Read>
HRESULT ReadValue(T* out, Read&& read) noexcept {
    if (!out) return E_POINTER;
    return platform::winHr([&] {
        *out = static_cast<T>(read());
        return S_OK;
    });
}

// A member that hands out a text.
template <class Read>
HRESULT ReadText(BSTR* out, Read&& read) noexcept {
    if (!out) return E_POINTER;
    return platform::winHr([&] { return HandOut(read(), out); });
}

// A member over an operation that cannot fail.
template <class Store>
HRESULT StoreValue(Store&& store) noexcept {
    return platform::winHr([&] {
        store();
        return S_OK;
    });
}

// A member over an operation with a success flag. The operation starts
// with the last error cleared, so that a failure reports what the
// operation's own system calls set, never what an earlier call left.
template <class Operation>
HRESULT RunOperation(Operation&& operation) noexcept {
    return platform::winHr([&] {
        SetLastError(0);
        return ResultOfFlag(operation());
    });
}

// A member over an operation with a success flag that fills a text: the
// text is handed out only when the operation succeeds.
template <class Operation>
HRESULT RunTextOperation(BSTR* out, Operation&& operation) noexcept {
    if (!out) return E_POINTER;
    return platform::winHr([&] {
        SetLastError(0);
        std::string text;
        if (!operation(text)) return ResultOfFlag(false);
        return HandOut(text, out);
    });
}
