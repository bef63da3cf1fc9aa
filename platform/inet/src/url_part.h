// How InternetCrackUrl hands over one part of a URL: the three ways a caller
// asks for it are not at all (null pointer, length 0), as a pointer into
// the URL (null pointer, nonzero length), or copied with a NUL into its
// buffer (ERROR_INSUFFICIENT_BUFFER and the size needed when it does not fit).
#pragma once

#include <algorithm>
#include <cstddef>

#include "platform/win_error.h"
#include "win32/error_codes.h"
#include "win32/types.h"

namespace platform::inet {

inline bool urlPartWanted(const void* p, DWORD length) { return p || length; }

template <class Char>
void storeUrlPart(const Char* url, std::size_t offset, std::size_t size, Char*& p, DWORD& length) {
    if (!urlPartWanted(p, length)) return;
    if (!p) {
        p = const_cast<Char*>(url + offset);
        length = static_cast<DWORD>(size);
        return;
    }
    if (length < size + 1) {
        length = static_cast<DWORD>(size + 1);
        throw WinError(ERROR_INSUFFICIENT_BUFFER, "URL part does not fit");
    }
    std::copy(url + offset, url + offset + size, p);
    p[size] = Char();
    length = static_cast<DWORD>(size);
}

}  // namespace platform::inet
