// pkcs7_certificates.cpp: the certificate of each signer, looked up by its
// issuer and serial number in the message, the user's "MY" and
// "AddressBook" stores and a store the caller adds.
#include <algorithm>
#include <array>
#include <functional>
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

OwnedCertStore SystemStore(const char* name) {
    return OwnedCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, TGlobalParams::Instance()->GetStoreFlags(), name));
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

// From the first store that holds the certificate: the message, then the
// user's stores (opened only when the message lacks it), then the extra one.
CertInfo Describe(const CERT_INFO& id, HCERTSTORE message, HCERTSTORE extra) {
    OwnedCertStore my, addressBook;
    const std::array<std::function<HCERTSTORE()>, 4> stores{
        [&] { return message; },
        [&] { return (my = SystemStore("MY")).get(); },
        [&] { return (addressBook = SystemStore("AddressBook")).get(); },
        [&] { return extra; },
    };
    for (const auto& open : stores) {
        HCERTSTORE store = open();
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
        // The message's store is opened once per message: its certificates
        // are decoded once, however many signers are asked for.
        if (!m_messageStore) m_messageStore.reset(CertOpenStore(CERT_STORE_PROV_MSG, kCertEncoding, 0, 0, m_message));
        std::vector<CertInfo> records;
        for (DWORD n = first; n < last; ++n) {
            RecordBuffer id;
            if (!QueryRecord(m_message, CMSG_SIGNER_CERT_INFO_PARAM, n, id)) return kErrQuery;
            records.push_back(Describe(id.as<CERT_INFO>(), m_messageStore.get(), extra));
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
