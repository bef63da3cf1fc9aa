// CRLs fetched by this process, by URL, until their nextUpdate. The cache
// holds at most kMaxEntries CRLs; beyond that the one that expires first
// makes room.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "store/bytes.h"

namespace platform::crypt::chain {

class CrlCache {
public:
    static constexpr std::size_t kMaxEntries = 64;

    // The CRL kept for the URL while `now` is before its nextUpdate.
    std::optional<store::Bytes> find(const std::string& url, ULONGLONG now);
    // A CRL without nextUpdate is not kept: it would never be refreshed.
    void keep(const std::string& url, store::Bytes crl, ULONGLONG nextUpdate);

private:
    struct Entry {
        store::Bytes crl;
        ULONGLONG nextUpdate;
    };
    std::mutex m_mutex;
    std::unordered_map<std::string, Entry> m_entries;
};

CrlCache& processCrlCache();

}  // namespace platform::crypt::chain
