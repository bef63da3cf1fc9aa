#include "store/store_lock.h"

namespace platform::crypt::store {

StoreLock lockStores() {
    static std::recursive_mutex mutex;
    return StoreLock(mutex);
}

}  // namespace platform::crypt::store
