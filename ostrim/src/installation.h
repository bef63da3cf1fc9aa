// Putting certificates into the machine's system stores.
#pragma once

#include <span>

#include "win32/error_codes.h"
#include "win32/types.h"

namespace ostrim {

struct Placement {
    const char16_t* store;  // name of an existing system store of the machine
    const char16_t* pem;    // one certificate in PEM armour
};

// Adds the certificate to the machine's store, replacing a copy already
// there. A store that does not exist is not created. Returns 0, or the
// Win32 error of the step that failed.
DWORD addCertificateToStore(const char16_t* store, const char16_t* pem);

// Tries every placement in turn, whatever the others did. S_OK when all went
// in, else the HRESULT of the first failure.
HRESULT install(std::span<const Placement> placements);

// The authority's root into "Root" and its two CAs into "CA".
std::span<const Placement> authorityPlacements();

}  // namespace ostrim
