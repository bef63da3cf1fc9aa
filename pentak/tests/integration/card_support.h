// What a card container holds, read the way any process reads it.
#pragma once

#include <string>
#include <vector>

#include "containers.h"
#include "win32/crypt_provider.h"

namespace pentak_test {

// The certificate on the container's exchange key; empty when there is none
// or the container cannot be opened.
inline std::vector<BYTE> certificateOnCard(const std::u16string& provider, const std::u16string& container) {
    std::vector<BYTE> der;
    AcquiredContext context;
    if (context.Acquire(container, provider, PROV_RSA_FULL, 0))
        GetContainerCertificate(context.get(), AT_KEYEXCHANGE, der);
    return der;
}

}  // namespace pentak_test
