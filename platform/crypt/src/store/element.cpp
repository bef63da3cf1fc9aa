#include "store/element.h"

#include "der/der.h"
#include "platform/win_error.h"
#include "store/digest.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

// CRYPT_E_ASN1_EOD rather than a read of a null pointer for a missing input.
View firstValue(View encoded) {
    if (encoded.empty()) throw WinError(CRYPT_E_ASN1_EOD, "no encoded bytes");
    return der::readOuter(encoded, der::kSequence).encoded;
}

}  // namespace

Bytes keyIdentifierOf(const CERT_INFO& info) {
    const CERT_EXTENSION* ski = nullptr;
    for (DWORD i = 0; i < info.cExtension; ++i)
        if (std::string_view(info.rgExtension[i].pszObjId) == szOID_SUBJECT_KEY_IDENTIFIER) ski = &info.rgExtension[i];
    if (ski) {
        const auto id = decodeObject<CRYPT_DATA_BLOB>(X509_OCTET_STRING, viewOf(ski->Value));
        const View bytes = viewOf(*id);
        return Bytes(bytes.begin(), bytes.end());
    }
    return digest(CALG_SHA1, encodeObject(X509_PUBLIC_KEY_INFO, &info.SubjectPublicKeyInfo));
}

Element::Element(Kind kind, DWORD encodingType, View encoded) : m_kind(kind) {
    if (!(encodingType & X509_ASN_ENCODING)) throw WinError(E_INVALIDARG, "not an X.509 encoding");
    const View value = firstValue(encoded);
    m_encoded.assign(value.begin(), value.end());
    // The decoded block points into m_encoded, which lives as long as it.
    const LPCSTR type = kind == Kind::Certificate ? X509_CERT_TO_BE_SIGNED : X509_CERT_CRL_TO_BE_SIGNED;
    m_info = decodeObject<void>(type, m_encoded, CRYPT_DECODE_NOCOPY_FLAG);
    const auto size = static_cast<DWORD>(m_encoded.size());
    if (kind == Kind::Certificate)
        m_context.cert = {encodingType, m_encoded.data(), size, static_cast<PCERT_INFO>(m_info.get()), nullptr};
    else
        m_context.crl = {encodingType, m_encoded.data(), size, static_cast<PCRL_INFO>(m_info.get()), nullptr};
}

const Bytes& Element::sha1() const {
    if (!m_sha1) m_sha1 = digest(CALG_SHA1, m_encoded);
    return *m_sha1;
}

const Bytes* Element::computedProperty(DWORD id) {
    std::optional<Bytes> value;
    if (id == CERT_SHA1_HASH_PROP_ID)
        value = sha1();
    else if (id == CERT_MD5_HASH_PROP_ID)
        value = digest(CALG_MD5, m_encoded);
    else if (id == CERT_KEY_IDENTIFIER_PROP_ID && m_kind == Kind::Certificate)
        value = keyIdentifierOf(certInfo());
    if (!value) return nullptr;
    properties.setLocal(id, std::move(value));
    return properties.find(id);
}

void Element::attach(LocalStore& store, HCERTSTORE handle) {
    m_store = &store;
    if (m_kind == Kind::Certificate)
        m_context.cert.hCertStore = handle;
    else
        m_context.crl.hCertStore = handle;
}

std::shared_ptr<Element> copyOf(const Element& source) {
    auto copy = std::make_shared<Element>(source.kind(), source.encodingType(), source.encoded());
    copy->properties = source.properties;
    return copy;
}

}  // namespace platform::crypt::store
