// The properties of one certificate or CRL in one store. Stored values are
// what the store keeps (and a system store writes to the registry); local
// values belong to this process's copy alone: values set with
// CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG, and hashes computed on demand. A
// local value hides the stored one of the same id without touching it, so a
// later write of the stored values never carries it into the registry.
#pragma once

#include <map>
#include <optional>

#include "store/bytes.h"

namespace platform::crypt::store {

class Properties {
public:
    // The value callers see, or null.
    const Bytes* find(DWORD id) const;
    // The id after `after` that has a value, 0 at the end.
    DWORD next(DWORD after) const;

    void setStored(DWORD id, Bytes value);
    void eraseStored(DWORD id);
    // nullopt hides the stored value of that id.
    void setLocal(DWORD id, std::optional<Bytes> value);

    const std::map<DWORD, Bytes>& stored() const noexcept { return m_stored; }

    // Values of `other` put over these (USE_EXISTING).
    void adopt(const Properties& other);
    // Values of `older` this one lacks (the INHERIT dispositions).
    void inherit(const Properties& older);

private:
    std::map<DWORD, Bytes> m_stored;
    std::map<DWORD, std::optional<Bytes>> m_local;
};

}  // namespace platform::crypt::store
