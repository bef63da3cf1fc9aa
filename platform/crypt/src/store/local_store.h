// A store that holds its elements itself: a memory store, or a system store
// whose changes are written through to its registry keys at once.
#pragma once

#include <memory>
#include <optional>

#include "store/store.h"
#include "store/system_store_keys.h"

namespace platform::crypt::store {

class LocalStore final : public Store {
public:
    explicit LocalStore(DWORD openFlags, std::unique_ptr<SystemStoreKeys> registry = nullptr);
    // A system store with the entries its keys hold; damaged entries (a blob
    // that does not read, a certificate that does not decode, a key name that
    // is not its hash) are left out.
    static std::shared_ptr<LocalStore> loadSystemStore(DWORD openFlags, std::unique_ptr<SystemStoreKeys> registry);

    void addHolders(std::vector<const LocalStore*>& holders) const override;
    // The elements of a kind in store order. Deleted elements that callers
    // still reference keep their place, so an enumeration can go on past them.
    const ElementList& elements(Kind kind) const noexcept { return kind == Kind::Certificate ? m_certificates : m_crls; }
    std::shared_ptr<Element> add(std::shared_ptr<Element> candidate, DWORD disposition) override;

    // Puts an element at the end as it stands, written nowhere: filling a
    // store from a message, or an element created on its own.
    void append(std::shared_ptr<Element> element);
    // CertDelete*: the element leaves the store (and the registry).
    void remove(Element& element);
    // A deleted element no caller references leaves the list.
    void forget(const Element& element);
    // nullopt removes the property. Persisted changes go to the registry;
    // E_ACCESSDENIED for them in a read-only store.
    void setProperty(Element& element, DWORD id, std::optional<Bytes> value, DWORD flags);

private:
    void handleAssigned() override;
    ElementList& listOf(Kind kind);
    std::shared_ptr<Element> matchOf(const Element& candidate);
    void checkWritable() const;
    void write(const Element& element, const Properties& properties) const;
    void insert(std::shared_ptr<Element> element, ElementList::iterator before);
    void replace(Element& existing, std::shared_ptr<Element> candidate);

    ElementList m_certificates;
    ElementList m_crls;
    std::unique_ptr<SystemStoreKeys> m_registry;
};

}  // namespace platform::crypt::store
