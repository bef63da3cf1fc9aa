#include "store/local_store.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/win_error.h"
#include "store/file_time.h"
#include "store/key_prov_info.h"
#include "store/stored_blob.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

// NotBefore of a certificate, ThisUpdate of a CRL: what ADD_NEWER compares.
ULONGLONG issuedAt(const Element& e) {
    return ticksOf(e.kind() == Kind::Certificate ? e.certInfo().NotBefore : e.crlInfo().ThisUpdate);
}

bool matches(const Element& a, const Element& b) {
    if (a.kind() == Kind::Certificate) return sameBytes(a.sha1(), b.sha1());
    return sameBytes(viewOf(a.crlInfo().Issuer), viewOf(b.crlInfo().Issuer));
}

std::shared_ptr<Element> readEntry(Kind kind, const SystemStoreKeys::Entry& entry) {
    const StoredBlob stored = readStoredBlob(entry.blob);
    auto element = std::make_shared<Element>(kind, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, stored.encoded);
    if (!text::equalsNoCase(hexUpper(element->sha1()), entry.name))
        throw WinError(ERROR_INVALID_DATA, "stored entry under another hash");
    for (const auto& [id, value] : stored.properties) {
        if (id == CERT_KEY_PROV_INFO_PROP_ID) checkKeyProvInfo(value);
        element->properties.setStored(id, Bytes(value.begin(), value.end()));
    }
    return element;
}

}  // namespace

LocalStore::LocalStore(DWORD openFlags, std::unique_ptr<SystemStoreKeys> registry)
    : Store(openFlags), m_registry(std::move(registry)) {}

std::shared_ptr<LocalStore> LocalStore::loadSystemStore(DWORD openFlags, std::unique_ptr<SystemStoreKeys> registry) {
    auto store = std::make_shared<LocalStore>(openFlags, std::move(registry));
    for (const Kind kind : {Kind::Certificate, Kind::Crl}) {
        for (const auto& entry : store->m_registry->entries(kind)) {
            try {
                store->append(readEntry(kind, entry));
            } catch (const WinError&) {
                // A damaged entry is left out; the others still open.
            }
        }
    }
    return store;
}

void LocalStore::handleAssigned() {
    for (const Kind kind : {Kind::Certificate, Kind::Crl})
        for (const auto& e : listOf(kind)) e->attach(*this, handle());
}

ElementList& LocalStore::listOf(Kind kind) { return kind == Kind::Certificate ? m_certificates : m_crls; }

void LocalStore::addHolders(std::vector<const LocalStore*>& holders) const {
    if (std::find(holders.begin(), holders.end(), this) == holders.end()) holders.push_back(this);
}

std::shared_ptr<Element> LocalStore::matchOf(const Element& candidate) {
    for (const auto& e : listOf(candidate.kind()))
        if (!e->deleted && matches(*e, candidate)) return e;
    return nullptr;
}

void LocalStore::checkWritable() const {
    if (readOnly()) throw WinError(E_ACCESSDENIED, "the store is read-only");
}

void LocalStore::write(const Element& element, const Properties& properties) const {
    if (m_registry)
        m_registry->write(element.kind(), hexUpper(element.sha1()),
                          storedBlobOf(element.encoded(), properties.stored()));
}

void LocalStore::append(std::shared_ptr<Element> element) {
    auto& list = listOf(element->kind());
    insert(std::move(element), list.end());
}

void LocalStore::insert(std::shared_ptr<Element> element, ElementList::iterator before) {
    element->attach(*this, handle());
    Element& inserted = *element;
    inserted.place = listOf(inserted.kind()).insert(before, std::move(element));
}

// The candidate takes the existing element's place; the existing one stays
// behind it, deleted, while callers still reference it.
void LocalStore::replace(Element& existing, std::shared_ptr<Element> candidate) {
    write(*candidate, candidate->properties);
    if (m_registry && !sameBytes(existing.sha1(), candidate->sha1()))
        m_registry->erase(existing.kind(), hexUpper(existing.sha1()));
    existing.deleted = true;
    insert(std::move(candidate), existing.place);
    if (existing.references == 0) forget(existing);
}

std::shared_ptr<Element> LocalStore::add(std::shared_ptr<Element> candidate, DWORD disposition) {
    if (disposition < CERT_STORE_ADD_NEW || disposition > CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES)
        throw WinError(E_INVALIDARG, "unknown add disposition");
    checkWritable();
    const auto existing = disposition == CERT_STORE_ADD_ALWAYS ? nullptr : matchOf(*candidate);
    if (existing) {
        switch (disposition) {
        case CERT_STORE_ADD_NEW:
            throw WinError(CRYPT_E_EXISTS, "the store holds it already");
        case CERT_STORE_ADD_USE_EXISTING: {
            Properties merged = existing->properties;
            merged.adopt(candidate->properties);
            write(*existing, merged);
            existing->properties = std::move(merged);
            return existing;
        }
        case CERT_STORE_ADD_NEWER:
        case CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES:
            if (issuedAt(*existing) >= issuedAt(*candidate))
                throw WinError(CRYPT_E_EXISTS, "the store holds one as new");
            break;
        default:
            break;
        }
        if (disposition == CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES ||
            disposition == CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES)
            candidate->properties.inherit(existing->properties);
        replace(*existing, candidate);
        return candidate;
    }
    write(*candidate, candidate->properties);
    append(candidate);
    return candidate;
}

void LocalStore::remove(Element& element) {
    checkWritable();
    if (element.deleted) return;
    element.deleted = true;
    if (m_registry) {
        // A duplicate added with ADD_ALWAYS shares the registry entry: it keeps it.
        const auto twin = matchOf(element);
        if (element.kind() == Kind::Certificate && twin)
            write(*twin, twin->properties);
        else
            m_registry->erase(element.kind(), hexUpper(element.sha1()));
    }
    if (element.references == 0) forget(element);
}

void LocalStore::forget(const Element& element) { listOf(element.kind()).erase(element.place); }

void LocalStore::setProperty(Element& element, DWORD id, std::optional<Bytes> value, DWORD flags) {
    if (flags & CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG) {
        element.properties.setLocal(id, std::move(value));
        return;
    }
    checkWritable();
    Properties updated = element.properties;
    if (value)
        updated.setStored(id, std::move(*value));
    else
        updated.eraseStored(id);
    if (!element.deleted) {
        try {
            write(element, updated);
        } catch (const WinError&) {
            if (!(flags & CERT_SET_PROPERTY_IGNORE_PERSIST_ERROR_FLAG)) throw;
        }
    }
    element.properties = std::move(updated);
}

}  // namespace platform::crypt::store
