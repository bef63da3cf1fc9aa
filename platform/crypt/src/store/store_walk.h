// Walking a store in its order from a previous context, as enumeration,
// find and the issuer search do.
#pragma once

#include <functional>
#include <memory>

#include "store/store.h"

namespace platform::crypt::store {

using Accept = std::function<bool(Element&)>;

// The first element after `previous` (from the start when null) that is not
// deleted, not hidden as archived, and accepted. E_INVALIDARG when
// `previous` is not in the store; CRYPT_E_NOT_FOUND when nothing follows.
std::shared_ptr<Element> nextInStore(const Store& store, Kind kind, const Element* previous, const Accept& accept);

}  // namespace platform::crypt::store
