// TGlobalParams: the process-wide flags with which system certificate
// stores are opened.
#pragma once

#include "win32/types.h"

// The current user's stores, existing stores only.
inline constexpr DWORD kDefaultStoreFlags = 0x14000;

class TGlobalParams {
public:
    // Created on the first call, never destroyed.
    static TGlobalParams* Instance();
    virtual ~TGlobalParams() = default;
    TGlobalParams(const TGlobalParams&) = delete;
    TGlobalParams& operator=(const TGlobalParams&) = delete;

    void SetStoreFlags(DWORD flags) noexcept { m_storeFlags = flags; }
    DWORD GetStoreFlags() const noexcept { return m_storeFlags; }

private:
    TGlobalParams() = default;
    DWORD m_storeFlags = kDefaultStoreFlags;
};
