// One certificate or CRL as a store holds it: the context record callers
// read through, the encoded bytes it points to, the decoded CERT_INFO or
// CRL_INFO in one block, and the properties. Callers' references are counted
// here; the store holds the element itself.
#pragma once

#include <list>
#include <memory>
#include <optional>

#include "store/decoded.h"
#include "store/properties.h"
#include "win32/crypt_types.h"

namespace platform::crypt::store {

enum class Kind { Certificate, Crl };

// CERT_KEY_IDENTIFIER_PROP_ID as computed: the subject key identifier
// extension's value, else the SHA-1 of the encoded public-key info.
Bytes keyIdentifierOf(const CERT_INFO& info);

class LocalStore;
class Element;

// A store's elements of one kind in store order.
using ElementList = std::list<std::shared_ptr<Element>>;

class Element {
public:
    // Keeps a copy of the one DER value at the start of `encoded` (bytes
    // after it are dropped) and decodes it: CRYPT_E_ASN1_* when it is not a
    // certificate or CRL.
    Element(Kind kind, DWORD encodingType, View encoded);
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    Kind kind() const noexcept { return m_kind; }
    const void* context() const noexcept { return &m_context; }
    PCCERT_CONTEXT cert() const noexcept { return &m_context.cert; }
    PCCRL_CONTEXT crl() const noexcept { return &m_context.crl; }
    const CERT_INFO& certInfo() const noexcept { return *m_context.cert.pCertInfo; }
    const CRL_INFO& crlInfo() const noexcept { return *m_context.crl.pCrlInfo; }
    DWORD encodingType() const noexcept { return m_context.cert.dwCertEncodingType; }
    View encoded() const noexcept { return m_encoded; }

    const Bytes& sha1() const;
    // A value computed when the property is not set (hashes, key
    // identifier), kept as a local property; nothing for other ids.
    const Bytes* computedProperty(DWORD id);

    // The store whose list holds the element; set once, when it is put there.
    LocalStore* store() const noexcept { return m_store; }
    void attach(LocalStore& store, HCERTSTORE handle);
    // Where in its store's list the element stands, kept by the store.
    ElementList::iterator place;

    Properties properties;
    bool deleted = false;
    DWORD references = 0;

private:
    Kind m_kind;
    Bytes m_encoded;
    Decoded<void> m_info;
    union {
        CERT_CONTEXT cert;
        CRL_CONTEXT crl;
    } m_context;
    mutable std::optional<Bytes> m_sha1;
    LocalStore* m_store = nullptr;
};

// An element's copy for another store: the same bytes and properties.
std::shared_ptr<Element> copyOf(const Element& source);

}  // namespace platform::crypt::store
