#include "store/collection_store.h"

#include <algorithm>
#include <unordered_set>

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

// A store reached twice (added twice, or also through a sibling collection)
// shows its elements once, at the first place: walking from a previous
// element finds that place, so a second one would be walked for ever.
std::vector<std::shared_ptr<Element>> CollectionStore::sequence(Kind kind) const {
    std::vector<std::shared_ptr<Element>> all;
    std::unordered_set<const Element*> seen;
    for (const auto& sibling : m_siblings)
        for (auto& element : sibling.store->sequence(kind))
            if (seen.insert(element.get()).second) all.push_back(std::move(element));
    return all;
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
