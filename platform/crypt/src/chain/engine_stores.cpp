// engine_stores.cpp: collections over the system stores an engine trusts and
// searches, plus the caller's stores.
#include "chain/engine_stores.h"

#include <string_view>
#include <unordered_set>

#include "chain/name_match.h"
#include "store/bytes.h"

namespace platform::crypt::chain {

namespace {

using store::sameBytes;
using store::View;

StoreRef newCollection() {
    StoreRef collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!collection) throw WinError(GetLastError(), "CertOpenStore(collection)");
    return collection;
}

void add(const StoreRef& collection, HCERTSTORE sibling) {
    if (sibling && !CertAddStoreToCollection(collection.get(), sibling, 0, 0))
        throw WinError(GetLastError(), "CertAddStoreToCollection");
}

// Null when the store cannot be read: it then adds nothing to the search.
StoreRef systemStore(DWORD location, const char16_t* name) {
    return StoreRef(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                  location | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG, name));
}

std::vector<DWORD> locationsOf(Engine engine) {
    if (engine == Engine::LocalMachine) return {CERT_SYSTEM_STORE_LOCAL_MACHINE};
    return {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE};
}

View encodingOf(PCCERT_CONTEXT c) {
    return View(c->pbCertEncoded, c->cbCertEncoded);
}

// Certificates found, each encoding once: a store may hold a certificate
// that another one holds too. The encodings seen are views into the
// contexts kept.
class FoundOnce {
public:
    void add(PCCERT_CONTEXT cert) {
        const View encoding = encodingOf(cert);
        const std::string_view key(reinterpret_cast<const char*>(encoding.data()), encoding.size());
        if (m_seen.contains(key)) return;
        m_found.push_back(duplicated(cert));
        m_seen.insert(key);
    }
    std::vector<CertRef> take() { return std::move(m_found); }

private:
    std::vector<CertRef> m_found;
    std::unordered_set<std::string_view> m_seen;
};

}  // namespace

EngineStores::EngineStores(Engine engine, HCERTSTORE additional, HCERTSTORE own)
    : m_roots(newCollection()), m_all(newCollection()) {
    const auto locations = locationsOf(engine);
    // The collections keep the system stores open once these handles close.
    for (DWORD location : locations) {
        const StoreRef root = systemStore(location, u"Root");
        add(m_roots, root.get());
        add(m_all, root.get());
    }
    add(m_all, additional);
    for (DWORD location : locations) add(m_all, systemStore(location, u"CA").get());
    add(m_all, own);
}

std::vector<CertRef> EngineStores::subjectsNamed(const CERT_NAME_BLOB& name) const {
    FoundOnce found;
    PCCERT_CONTEXT next = nullptr;
    while ((next = CertFindCertificateInStore(m_all.get(), X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME, &name, next)))
        found.add(next);
    return found.take();
}

std::vector<CertRef> EngineStores::subjectsMatching(const CERT_NAME_BLOB& name) const {
    const NameMatcher matcher(store::viewOf(name));
    FoundOnce found;
    PCCERT_CONTEXT next = nullptr;
    while ((next = CertEnumCertificatesInStore(m_all.get(), next)))
        if (matcher.matches(store::viewOf(next->pCertInfo->Subject))) found.add(next);
    return found.take();
}

bool EngineStores::isTrustAnchor(PCCERT_CONTEXT cert) const {
    const CertRef anchor(
        CertFindCertificateInStore(m_roots.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr));
    return anchor != nullptr;
}

std::vector<CrlRef> EngineStores::crlsIssuedBy(const CERT_NAME_BLOB& name) const {
    std::vector<CrlRef> found;
    PCCRL_CONTEXT next = nullptr;
    while ((next = CertEnumCRLsInStore(m_all.get(), next)))
        if (sameBytes(store::viewOf(next->pCrlInfo->Issuer), store::viewOf(name))) found.push_back(duplicated(next));
    return found;
}

}  // namespace platform::crypt::chain
