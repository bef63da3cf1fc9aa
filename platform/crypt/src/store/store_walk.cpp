#include "store/store_walk.h"

#include <algorithm>

#include "platform/win_error.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

bool visible(const Store& store, const Element& e) {
    if (e.deleted) return false;
    return store.showsArchived() || e.kind() != Kind::Certificate || !e.properties.find(CERT_ARCHIVED_PROP_ID);
}

}  // namespace

std::shared_ptr<Element> nextInStore(const Store& store, Kind kind, const Element* previous, const Accept& accept) {
    const auto elements = store.sequence(kind);
    auto it = elements.begin();
    if (previous) {
        it = std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.get() == previous; });
        if (it == elements.end()) throw WinError(E_INVALIDARG, "the previous context is of another store");
        ++it;
    }
    for (; it != elements.end(); ++it)
        if (visible(store, **it) && accept(**it)) return *it;
    throw WinError(CRYPT_E_NOT_FOUND, "no further match in the store");
}

}  // namespace platform::crypt::store
