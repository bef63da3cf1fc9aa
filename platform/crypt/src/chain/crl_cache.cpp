#include "chain/crl_cache.h"

#include <algorithm>

namespace platform::crypt::chain {

std::optional<store::Bytes> CrlCache::find(const std::string& url, ULONGLONG now) {
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(url);
    if (it == m_entries.end()) return std::nullopt;
    if (now > it->second.nextUpdate) {
        m_entries.erase(it);
        return std::nullopt;
    }
    return it->second.crl;
}

void CrlCache::keep(const std::string& url, store::Bytes crl, ULONGLONG nextUpdate) {
    if (nextUpdate == 0) return;
    const std::lock_guard lock(m_mutex);
    if (m_entries.size() >= kMaxEntries && !m_entries.count(url)) {
        const auto first = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
            return a.second.nextUpdate < b.second.nextUpdate;
        });
        m_entries.erase(first);
    }
    m_entries[url] = Entry{std::move(crl), nextUpdate};
}

CrlCache& processCrlCache() {
    static CrlCache cache;
    return cache;
}

}  // namespace platform::crypt::chain
