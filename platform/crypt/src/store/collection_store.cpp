#include "store/collection_store.h"

#include <algorithm>

#include "platform/win_error.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

CollectionStore::~CollectionStore() {
    for (const auto& sibling : m_siblings) sibling.store->release();
}

void CollectionStore::addSibling(std::shared_ptr<Store> sibling, DWORD updateFlags, DWORD priority) {
    // A loop of collections would enumerate for ever.
    if (sibling->reaches(*this)) throw WinError(E_INVALIDARG, "the collection would hold itself");
    const auto at = std::find_if(m_siblings.begin(), m_siblings.end(),
                                 [&](const Sibling& s) { return s.priority < priority; });
    sibling->retain();
    m_siblings.insert(at, {std::move(sibling), updateFlags, priority});
}

void CollectionStore::addHolders(std::vector<const LocalStore*>& holders) const {
    for (const auto& sibling : m_siblings) sibling.store->addHolders(holders);
}

std::shared_ptr<Element> CollectionStore::add(std::shared_ptr<Element> candidate, DWORD disposition) {
    if (readOnly()) throw WinError(E_ACCESSDENIED, "the store is read-only");
    for (const auto& sibling : m_siblings)
        if (sibling.updateFlags & CERT_PHYSICAL_STORE_ADD_ENABLE_FLAG)
            return sibling.store->add(std::move(candidate), disposition);
    throw WinError(E_ACCESSDENIED, "no store of the collection takes additions");
}

}  // namespace platform::crypt::store

namespace platform::crypt::store {

bool CollectionStore::reaches(const Store& other) const {
    if (this == &other) return true;
    return std::any_of(m_siblings.begin(), m_siblings.end(),
                       [&](const Sibling& s) { return s.store->reaches(other); });
}

}  // namespace platform::crypt::store
