#include "store/properties.h"

namespace platform::crypt::store {

const Bytes* Properties::find(DWORD id) const {
    if (const auto local = m_local.find(id); local != m_local.end()) return local->second ? &*local->second : nullptr;
    const auto stored = m_stored.find(id);
    return stored == m_stored.end() ? nullptr : &stored->second;
}

DWORD Properties::next(DWORD after) const {
    DWORD best = 0;
    auto consider = [&](DWORD id) {
        if (id > after && (best == 0 || id < best) && find(id)) best = id;
    };
    for (const auto& [id, value] : m_stored) consider(id);
    for (const auto& [id, value] : m_local) consider(id);
    return best;
}

void Properties::setStored(DWORD id, Bytes value) {
    m_local.erase(id);
    m_stored[id] = std::move(value);
}

void Properties::eraseStored(DWORD id) {
    m_local.erase(id);
    m_stored.erase(id);
}

void Properties::setLocal(DWORD id, std::optional<Bytes> value) { m_local[id] = std::move(value); }

void Properties::adopt(const Properties& other) {
    for (const auto& [id, value] : other.m_stored) setStored(id, value);
    for (const auto& [id, value] : other.m_local) setLocal(id, value);
}

void Properties::inherit(const Properties& older) {
    for (const auto& [id, value] : older.m_stored)
        if (!m_stored.count(id)) m_stored[id] = value;
    for (const auto& [id, value] : older.m_local)
        if (!m_local.count(id)) m_local[id] = value;
}

}  // namespace platform::crypt::store
