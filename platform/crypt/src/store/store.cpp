#include "store/store.h"

#include "platform/handle_table.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

// Never destroyed: a collection still open at exit releases its stores as
// it goes, which must not meet a table that is being torn down.
HandleTable<Store>& stores() {
    static auto* table = new HandleTable<Store>(ERROR_INVALID_HANDLE);
    return *table;
}

ULONG_PTR valueOf(HCERTSTORE handle) { return reinterpret_cast<ULONG_PTR>(handle); }

}  // namespace

bool Store::readOnly() const noexcept { return (m_openFlags & CERT_STORE_READONLY_FLAG) != 0; }

bool Store::showsArchived() const noexcept { return (m_openFlags & CERT_STORE_ENUM_ARCHIVED_FLAG) != 0; }

void Store::release() {
    if (--m_uses == 0) {
        // The table's reference goes out of scope last: nothing here touches
        // the store after that.
        const std::shared_ptr<Store> last = stores().remove(valueOf(m_handle));
    }
}

void Store::opened() noexcept {
    ++m_opens;
    retain();
}

bool Store::closeHandle() {
    if (m_opens == 0) return false;
    --m_opens;
    release();
    return true;
}

void Store::contextReferenced() noexcept {
    ++m_outstanding;
    retain();
}

void Store::contextReleased() {
    --m_outstanding;
    release();
}

HCERTSTORE registerStore(const std::shared_ptr<Store>& store) {
    store->m_handle = reinterpret_cast<HCERTSTORE>(stores().add(store));
    store->handleAssigned();
    return store->m_handle;
}

std::shared_ptr<Store> storeOf(HCERTSTORE handle) {
    if (!handle) throw WinError(ERROR_INVALID_HANDLE, "null store handle");
    return stores().get(valueOf(handle));
}

}  // namespace platform::crypt::store
