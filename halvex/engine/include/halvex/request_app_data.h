// What the request model reads of the program's application data: the
// signature hash algorithms it accepts and the flags of a provider.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

class RequestAppData {
public:
    virtual ~RequestAppData() = default;
    // The OID of the default signature hash; always an accepted one.
    virtual std::u16string DefaultHashOid() const = 0;
    // Whether the OID is one of the accepted (SHA-2) hash algorithms.
    virtual bool IsAcceptedHash(const std::u16string& oid) const = 0;
    // The flags of the named provider (provider_list.h), 0 for an unknown one.
    virtual DWORD ProviderFlags(const std::u16string& providerName) const = 0;
};

}  // namespace halvex
