// CertFindCertificateInStore with the find types the system uses, and
// CertGetSubjectCertificateFromStore.
#include <string>

#include "platform/boundary.h"
#include "platform/text.h"
#include "store/compare.h"
#include "store/key_prov_info.h"
#include "store/name_text.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "store/store_walk.h"
#include "win32/crypt_names.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

template <class T>
const T& paraOf(const void* pvFindPara) {
    if (!pvFindPara) throw WinError(E_INVALIDARG, "find parameter missing");
    return *static_cast<const T*>(pvFindPara);
}

// The property as callers read it: set, or computed.
const Bytes* propertyOf(Element& e, DWORD id) {
    const Bytes* value = e.properties.find(id);
    return value ? value : e.computedProperty(id);
}

Accept matchesProperty(DWORD id, const CRYPT_HASH_BLOB& wanted) {
    const View bytes = viewOf(wanted);
    Bytes value(bytes.begin(), bytes.end());
    return [id, value](Element& e) {
        const Bytes* have = propertyOf(e, id);
        return have && sameBytes(*have, value);
    };
}

const CERT_NAME_BLOB& nameOf(const Element& e, DWORD findType) {
    return (findType & 0xFFFF) == CERT_INFO_ISSUER_FLAG ? e.certInfo().Issuer : e.certInfo().Subject;
}

// Windows matches the name as CertNameToStr(CERT_SIMPLE_NAME_STR) writes it,
// as a substring, without regard to case.
Accept matchesNameText(DWORD findType, std::u16string wanted) {
    wanted = text::toLower(wanted);
    return [findType, wanted](Element& e) {
        return text::toLower(nameToText(nameOf(e, findType), CERT_SIMPLE_NAME_STR)).find(wanted) !=
               std::u16string::npos;
    };
}

Accept matcherOf(DWORD findType, const void* para) {
    switch (findType) {
    case CERT_FIND_ANY:
        return [](Element&) { return true; };
    case CERT_FIND_SHA1_HASH:
        return matchesProperty(CERT_SHA1_HASH_PROP_ID, paraOf<CRYPT_HASH_BLOB>(para));
    case CERT_FIND_MD5_HASH:
        return matchesProperty(CERT_MD5_HASH_PROP_ID, paraOf<CRYPT_HASH_BLOB>(para));
    case CERT_FIND_KEY_IDENTIFIER:
        return matchesProperty(CERT_KEY_IDENTIFIER_PROP_ID, paraOf<CRYPT_HASH_BLOB>(para));
    case CERT_FIND_SUBJECT_NAME:
    case CERT_FIND_ISSUER_NAME: {
        const View wanted = viewOf(paraOf<CERT_NAME_BLOB>(para));
        Bytes name(wanted.begin(), wanted.end());
        return [findType, name](Element& e) { return sameBytes(viewOf(nameOf(e, findType)), name); };
    }
    case CERT_FIND_SUBJECT_STR_W:
    case CERT_FIND_ISSUER_STR_W: {
        const auto* wanted = &paraOf<WCHAR>(para);
        return matchesNameText(findType, std::u16string(wanted, text::length(wanted)));
    }
    case CERT_FIND_SUBJECT_STR_A:
    case CERT_FIND_ISSUER_STR_A:
        return matchesNameText(findType, text::toWide(&paraOf<char>(para)));
    case CERT_FIND_PROPERTY: {
        const DWORD id = paraOf<DWORD>(para);
        return [id](Element& e) { return e.properties.find(id) != nullptr; };
    }
    case CERT_FIND_KEY_SPEC: {
        const DWORD keySpec = paraOf<DWORD>(para);
        return [keySpec](Element& e) {
            const Bytes* info = e.properties.find(CERT_KEY_PROV_INFO_PROP_ID);
            return info && keySpecOf(*info) == keySpec;
        };
    }
    case CERT_FIND_PUBLIC_KEY: {
        const auto& key = paraOf<CERT_PUBLIC_KEY_INFO>(para);
        return [&key](Element& e) { return samePublicKey(e.certInfo().SubjectPublicKeyInfo, key); };
    }
    case CERT_FIND_SUBJECT_CERT: {
        const auto& id = paraOf<CERT_INFO>(para);
        return [&id](Element& e) { return sameCertId(e.certInfo(), id); };
    }
    case CERT_FIND_EXISTING: {
        const auto& cert = paraOf<CERT_CONTEXT>(para);
        const View wanted(cert.pbCertEncoded, cert.pbCertEncoded ? cert.cbCertEncoded : 0);
        Bytes encoded(wanted.begin(), wanted.end());
        return [encoded](Element& e) { return sameBytes(e.encoded(), encoded); };
    }
    default:
        throw WinError(E_INVALIDARG, "find type not supported");
    }
}

}  // namespace

PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE hCertStore, DWORD, DWORD, DWORD dwFindType,
                                          const void* pvFindPara, PCCERT_CONTEXT pPrevCertContext) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&] {
        const auto lock = lockStores();
        const ConsumedContext consumed(pPrevCertContext, Kind::Certificate);
        if (pPrevCertContext && !consumed.element()) throw WinError(E_INVALIDARG, "not a context of this process");
        const Accept accept = matcherOf(dwFindType, pvFindPara);
        const auto found = nextInStore(*storeOf(hCertStore), Kind::Certificate, consumed.element().get(), accept);
        addReference(found);
        return found->cert();
    });
}

PCCERT_CONTEXT CertGetSubjectCertificateFromStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType,
                                                  PCERT_INFO pCertId) noexcept {
    return CertFindCertificateInStore(hCertStore, dwCertEncodingType, 0, CERT_FIND_SUBJECT_CERT, pCertId, nullptr);
}
