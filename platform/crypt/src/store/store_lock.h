// One lock for every store and context of the process. Entry points take it
// once; everything below them runs with it held.
#pragma once

#include <mutex>

namespace platform::crypt::store {

using StoreLock = std::unique_lock<std::recursive_mutex>;
StoreLock lockStores();

}  // namespace platform::crypt::store
