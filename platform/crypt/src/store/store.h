// A store as its handle sees it, and the table of store handles.
//
// A store lives while anything uses it: a caller's open handle, a context
// from it that a caller still references, or a collection it belongs to.
// When the last use ends it leaves the handle table and is destroyed, so a
// context's hCertStore stays valid for as long as the context.
#pragma once

#include <memory>
#include <vector>

#include "store/element.h"

namespace platform::crypt::store {

class Store {
public:
    explicit Store(DWORD openFlags) : m_openFlags(openFlags) {}
    virtual ~Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    HCERTSTORE handle() const noexcept { return m_handle; }
    bool readOnly() const noexcept;
    bool showsArchived() const noexcept;

    // The stores that hold the elements this one shows, in its order, each
    // once: a store that holds its own elements, or a collection's siblings'.
    virtual void addHolders(std::vector<const LocalStore*>& holders) const = 0;
    // Puts `candidate` (an element of no store yet) into the store under the
    // disposition and returns the element the store now holds for it.
    virtual std::shared_ptr<Element> add(std::shared_ptr<Element> candidate, DWORD disposition) = 0;
    // True for this store and, in a collection, for the stores it reaches.
    virtual bool reaches(const Store& other) const { return this == &other; }

    void retain() noexcept { ++m_uses; }
    // At the last use the store leaves the handle table and is destroyed.
    void release();

    // Caller handles (CertOpenStore), as CertCloseStore counts them.
    void opened() noexcept;
    // False when no caller handle is open.
    bool closeHandle();
    // Contexts from the store that callers still reference.
    DWORD outstanding() const noexcept { return m_outstanding; }
    void contextReferenced() noexcept;
    void contextReleased();

protected:
    // The handle is known: contexts already held get it as their hCertStore.
    virtual void handleAssigned() {}

private:
    friend HCERTSTORE registerStore(const std::shared_ptr<Store>& store);

    DWORD m_openFlags;
    HCERTSTORE m_handle = nullptr;
    DWORD m_uses = 0;
    DWORD m_opens = 0;
    DWORD m_outstanding = 0;
};

// Enters the store in the handle table; it is destroyed once registered and
// unused, so a caller retains it (opened()) before the next release.
HCERTSTORE registerStore(const std::shared_ptr<Store>& store);
// ERROR_INVALID_HANDLE for a null, stale or forged handle.
std::shared_ptr<Store> storeOf(HCERTSTORE handle);

}  // namespace platform::crypt::store
