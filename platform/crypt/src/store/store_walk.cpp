#include "store/store_walk.h"

#include <algorithm>
#include <iterator>

#include "platform/win_error.h"
#include "store/local_store.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

bool visible(const Store& store, const Element& e) {
    if (e.deleted) return false;
    return store.showsArchived() || e.kind() != Kind::Certificate || !e.properties.find(CERT_ARCHIVED_PROP_ID);
}

}  // namespace

// Each step starts where the previous element stands in its holder's list,
// so a whole walk costs as much as the store is long.
std::shared_ptr<Element> nextInStore(const Store& store, Kind kind, const Element* previous, const Accept& accept) {
    std::vector<const LocalStore*> holders;
    store.addHolders(holders);
    auto holder = holders.begin();
    if (previous) {
        holder = std::find(holders.begin(), holders.end(), previous->store());
        if (holder == holders.end() || previous->kind() != kind)
            throw WinError(E_INVALIDARG, "the previous context is of another store");
    }
    for (; holder != holders.end(); ++holder) {
        const ElementList& elements = (*holder)->elements(kind);
        auto it = previous && previous->store() == *holder ? std::next(ElementList::const_iterator(previous->place))
                                                           : elements.begin();
        for (; it != elements.end(); ++it)
            if (visible(store, **it) && accept(**it)) return *it;
    }
    throw WinError(CRYPT_E_NOT_FOUND, "no further match in the store");
}

}  // namespace platform::crypt::store
