// pkcs7_certificates.cpp: the certificate of each signer, looked up by its
// issuer and serial number in the message, the user's "MY" and
// "AddressBook" stores and a store the caller adds.
#include <algorithm>
#include <iterator>
#include <memory>

#include "common/cryptoapi.h"
#include "common/global_params.h"
#include "common/pkcs7.h"
#include "common/strings.h"
#include "common/owned_context.h"
#include "pkcs7_query.h"
#include "win32/crypt_names.h"

using namespace pkcs7;

namespace {

struct CloseStore {
    void operator()(HCERTSTORE store) const noexcept { CertCloseStore(store, 0); }
};
using OwnedStore = std::unique_ptr<void, CloseStore>;

OwnedStore SystemStore(const char* name) {
    return OwnedStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, TGlobalParams::Instance()->GetStoreFlags(), name));
}

// The issuer as an X.500 string and the serial number, most significant
// byte first: all that is known of a signer whose certificate is nowhere.
CertInfo IdentifierOnly(const CERT_INFO& id) {
    CertInfo info;
    CERT_NAME_BLOB issuer = id.Issuer;
    if (const DWORD size = CertNameToStrA(X509_ASN_ENCODING, &issuer, CERT_X500_NAME_STR, nullptr, 0)) {
        std::vector<char> text(size, '\0');
        if (CertNameToStrA(X509_ASN_ENCODING, &issuer, CERT_X500_NAME_STR, text.data(), size))
            info.issuerDn = text.data();
    }
    const std::vector<BYTE> serial(std::make_reverse_iterator(id.SerialNumber.pbData + id.SerialNumber.cbData),
                                   std::make_reverse_iterator(id.SerialNumber.pbData));
    info.serialHex = BytesToHex(serial.data(), serial.size());
    return info;
}

CertInfo Describe(const CERT_INFO& id, const std::vector<HCERTSTORE>& stores) {
    for (HCERTSTORE store : stores) {
        if (!store) continue;
        const OwnedCertContext found(
            CertGetSubjectCertificateFromStore(store, kCertEncoding, const_cast<CERT_INFO*>(&id)));
        if (!found) continue;
        CertInfo info;
        if (TCryptoapi::GetCertInfo(found.get(), info)) return info;
        break;
    }
    return IdentifierOnly(id);
}

}  // namespace

DWORD TPkcs7::GetSignerCertificates(std::vector<CertInfo>& out, HCERTSTORE extra, DWORD first, DWORD last) const {
    return Guarded([&]() -> DWORD {
        out.clear();
        DWORD count = 0;
        if (const DWORD result = GetSignerCount(count)) return result;
        if (first >= count) return kErrSignerNotFound;
        last = std::min(last, count);
        const OwnedStore message(CertOpenStore(CERT_STORE_PROV_MSG, kCertEncoding, 0, 0, m_message));
        const OwnedStore my = SystemStore("MY");
        const OwnedStore addressBook = SystemStore("AddressBook");
        const std::vector<HCERTSTORE> stores{message.get(), my.get(), addressBook.get(), extra};
        std::vector<CertInfo> records;
        for (DWORD n = first; n < last; ++n) {
            RecordBuffer id;
            if (!QueryRecord(m_message, CMSG_SIGNER_CERT_INFO_PARAM, n, id)) return kErrQuery;
            records.push_back(Describe(id.as<CERT_INFO>(), stores));
        }
        out = std::move(records);
        return 0;
    });
}

DWORD TPkcs7::GetSignerCertificate(DWORD n, CertInfo& out, HCERTSTORE extra) const {
    return Guarded([&]() -> DWORD {
        std::vector<CertInfo> records;
        if (const DWORD result = GetSignerCertificates(records, extra, n, n + 1)) return result;
        if (records.size() != 1) return kErrSignerNotFound;
        out = std::move(records.front());
        return 0;
    });
}
