// cms_verify_stores.cpp: certificates looked up for verification: the
// signer-certificate callback, memory stores of records, and records found
// in a store by their key or by their issuer and serial number.
#include "cms_verify_parts.h"
#include "common/cert_context.h"
#include "common/cms_verify.h"
#include "common/global_params.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "win32/error.h"

namespace cms_verify {

OwnedStore OpenSystemStore(const char16_t* name) {
    return OwnedStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, TGlobalParams::Instance()->GetStoreFlags(), name));
}

}  // namespace cms_verify

using namespace cms_verify;

namespace {

// A store that could not be opened holds nothing.
PCCERT_CONTEXT SubjectIn(HCERTSTORE store, DWORD encoding, PCERT_INFO signerId) {
    return store ? CertGetSubjectCertificateFromStore(store, encoding, signerId) : nullptr;
}

// The first wanted record present in the store, described into out.
DWORD DescribeFirstPresent(HCERTSTORE store, const std::vector<CertInfo>& wanted, CertInfo& out) {
    if (!store) return 0;
    for (const CertInfo& record : wanted) {
        const OwnedCertContext found(FindCertificateInStore(store, CERT_FIND_SUBJECT_CERT, record, kCertEncoding));
        if (found) return TCryptoapi::GetCertInfo(found.get(), out) ? 1 : 0;
    }
    return 0;
}

}  // namespace

PCCERT_CONTEXT GetMessageSignerCert(void* extraStore, DWORD encoding, PCERT_INFO signerId, HCERTSTORE messageStore) {
    if (PCCERT_CONTEXT found = SubjectIn(messageStore, encoding, signerId)) return found;
    // A context found keeps its store alive after the handle is closed.
    for (const char16_t* name : {u"AddressBook", u"MY"})
        if (PCCERT_CONTEXT found = SubjectIn(OpenSystemStore(name).get(), encoding, signerId)) return found;
    if (PCCERT_CONTEXT found = SubjectIn(extraStore, encoding, signerId)) return found;
    SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    return nullptr;
}

HCERTSTORE BuildMemoryCertStore(const std::vector<CertInfo>& records) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!store) return nullptr;
    for (const CertInfo& record : records) {
        const OwnedCertContext context(CertContextFromInfo(record));
        if (context) CertAddCertificateContextToStore(store, context.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    }
    return store;
}

PCCERT_CONTEXT FindCertificateInStore(HCERTSTORE store, DWORD findType, const CertInfo& record, DWORD encoding) {
    const OwnedCertContext context(CertContextFromInfo(record));
    if (!context) return nullptr;
    const void* para = nullptr;
    if (findType == CERT_FIND_PUBLIC_KEY)
        para = &context->pCertInfo->SubjectPublicKeyInfo;
    else if (findType == CERT_FIND_SUBJECT_CERT)
        para = context->pCertInfo;
    else
        return nullptr;
    return CertFindCertificateInStore(store, encoding, 0, findType, para, nullptr);
}

DWORD TCryptoapi::GetMessageCertsFromList(const std::vector<CertInfo>& records, const std::vector<CertInfo>& wanted,
                                          CertInfo& out) {
    if (records.empty()) return 0;
    const OwnedStore store(BuildMemoryCertStore(records));
    return DescribeFirstPresent(store.get(), wanted, out);
}

DWORD TCryptoapi::GetMessageCertsFromSystemStore(const std::u16string& storeName, const std::vector<CertInfo>& wanted,
                                                 CertInfo& out) {
    const OwnedStore store = OpenSystemStore(storeName.c_str());
    return DescribeFirstPresent(store.get(), wanted, out);
}
