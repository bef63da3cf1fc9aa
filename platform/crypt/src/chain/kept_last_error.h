// The engine calls store functions that set the last error on the way (an
// enumeration's end, an absent extension). A chain call that succeeds must
// leave the caller's last error as it was; one that fails sets its own after
// this has put the old one back.
#pragma once

#include "win32/error.h"

namespace platform::crypt::chain {

class KeptLastError {
public:
    KeptLastError() noexcept : m_saved(GetLastError()) {}
    ~KeptLastError() { SetLastError(m_saved); }
    KeptLastError(const KeptLastError&) = delete;
    KeptLastError& operator=(const KeptLastError&) = delete;

private:
    DWORD m_saved;
};

}  // namespace platform::crypt::chain
