// CERT_STORE_PROV_COLLECTION: the elements of its sibling stores, found
// through it as they are found in the siblings (their contexts name the
// sibling as their store). Each sibling is kept alive by the collection.
#pragma once

#include "store/store.h"

namespace platform::crypt::store {

class CollectionStore final : public Store {
public:
    using Store::Store;
    ~CollectionStore() override;

    void addSibling(std::shared_ptr<Store> sibling, DWORD updateFlags, DWORD priority);

    // A store reached twice (added twice, or also through a sibling
    // collection) shows its elements once, at the first place: walking from
    // a previous element finds that place, so a second one would be walked
    // for ever.
    void addHolders(std::vector<const LocalStore*>& holders) const override;
    // To the first sibling added with CERT_PHYSICAL_STORE_ADD_ENABLE_FLAG.
    std::shared_ptr<Element> add(std::shared_ptr<Element> candidate, DWORD disposition) override;
    bool reaches(const Store& other) const override;

private:
    struct Sibling {
        std::shared_ptr<Store> store;
        DWORD updateFlags;
        DWORD priority;
    };
    std::vector<Sibling> m_siblings;  // by priority, then in the order added
};

}  // namespace platform::crypt::store
