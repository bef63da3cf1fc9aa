// The renewal program's records of a system store, a record's certificate
// found again in a store or put into a memory store, and a certificate's
// PEM text shown in the system's view.
#include <algorithm>
#include <cstring>

#include "common/chain_check.h"
#include "common/codepage.h"
#include "common/owned_context.h"
#include "common/pem.h"
#include "halvex/cert_access.h"
#include "halvex/messages.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace halvex {

namespace {

// The container name is read into this much room.
constexpr DWORD kContainerNameRoom = 1000;

HCERTSTORE openUserStore(const std::u16string& name) {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG,
                         name.c_str());
}

bool validNow(PCCERT_CONTEXT context) { return VerifySubjectCertificate(context, nullptr, CERT_STORE_TIME_VALIDITY_FLAG); }

bool hasQcCompliance(const CertInfo& record) {
    return std::find(record.qcStatementOids.begin(), record.qcStatementOids.end(), kQcComplianceOid) !=
           record.qcStatementOids.end();
}

// Another collected record, of a different serial number, holds the pair
// number.
bool hasPartner(const CertInfo& record, const std::vector<CertInfo>& collected) {
    return std::any_of(collected.begin(), collected.end(), [&](const CertInfo& other) {
        return other.pairNumber == record.pairNumber && other.serial != record.serial;
    });
}

void warnPairWithoutPartner(const CertInfo& record) {
    AppMessageBox(FormatErrorMessage(kErrPairWithoutPartner, false) + u"\nCert SN: " + record.serial +
                      u"\nCert CN: " + record.commonName + u"\nCert DN: " + record.subjectDn,
                  MB_ICONWARNING | MB_OK);
}

// The name of the container of the key the certificate names; empty when
// the key cannot be opened.
std::u16string containerOfKey(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) return {};
    std::vector<BYTE> property(size);
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size)) return {};
    const auto& key = *reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(property.data());
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, key.pwszContainerName, key.pwszProvName, key.dwProvType, 0)) return {};
    char name[kContainerNameRoom] = {};
    DWORD length = sizeof name;
    const BOOL read = CryptGetProvParam(provider, PP_CONTAINER, reinterpret_cast<BYTE*>(name), &length, 0);
    CryptReleaseContext(provider, 0);
    if (!read) return {};
    return MultiByteToWide(std::string(name, ::strnlen(name, sizeof name)), CP_ACP);
}

PCCERT_CONTEXT contextOfDer(const std::vector<BYTE>& der) {
    if (der.empty()) return nullptr;
    return CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                        static_cast<DWORD>(der.size()));
}

PCCERT_CONTEXT contextOfPem(const std::u16string& text) {
    const std::string pem = WideToMultiByte(text.data(), static_cast<int>(text.size()));
    std::vector<BYTE> der;
    if (pem.empty() || !Base64DecodeString(PemStripArmour(pem), der)) return nullptr;
    return contextOfDer(der);
}

}  // namespace

DWORD TCryptoapi::EnumStoreCertificates(std::vector<CertInfo>& out, bool classify, const std::u16string& storeName,
                                        const std::u16string& issuerFilter, bool checkTime) {
    const OwnedCertStore store(openUserStore(storeName));
    if (!store) {
        m_storeError = GetLastError();
        return 0;
    }
    const DWORD environment = AppEnvironment();
    const PolicyOidSet& policies = PolicyOidsOf(environment);
    std::vector<CertInfo> collected;
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store.get(), nullptr); context;
         context = CertEnumCertificatesInStore(store.get(), context)) {
        CertInfo record;
        if (!ReadCertificate(record, context, policies)) continue;
        if (!issuerFilter.empty() && record.issuerDn != issuerFilter) continue;
        if (checkTime && !validNow(context)) continue;
        record.storeName = storeName;
        collected.push_back(std::move(record));
    }
    const std::size_t before = out.size();
    for (auto it = collected.rbegin(); it != collected.rend(); ++it) {
        if (!classify) {
            out.push_back(*it);
            continue;
        }
        if (!ClassifiesCertificates(environment) || !it->qualifiedPolicy || !hasQcCompliance(*it)) continue;
        if (it->pairNumber.empty() || hasPartner(*it, collected))
            out.push_back(*it);
        else
            warnPairWithoutPartner(*it);
    }
    return static_cast<DWORD>(out.size() - before);
}

PCCERT_CONTEXT TCryptoapi::CertContextFromRecord(const CertInfo& record) {
    PCCERT_CONTEXT context = record.der.empty() ? contextOfPem(record.pem) : contextOfDer(record.der);
    if (context && !record.providerName.empty())
        SetKeyProvInfo(context, record.providerName, record.containerName, record.providerType, record.keySpec);
    return context;
}

PCCERT_CONTEXT TCryptoapi::FindCertificateKey(PCCERT_CONTEXT certificate, const std::u16string& storeName,
                                              std::u16string* container) {
    if (!certificate) return nullptr;
    const OwnedCertStore store(openUserStore(storeName));
    if (!store) return nullptr;
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
    if (found && container) *container = containerOfKey(found);
    return found;
}

PCCERT_CONTEXT TCryptoapi::FindCertificateInStore(const CertInfo& record, const std::u16string& storeName,
                                                  std::u16string* container) {
    const OwnedCertContext context(CertContextFromRecord(record));
    return FindCertificateKey(context.get(), storeName, container);
}

bool TCryptoapi::ShowCertificatePem(const std::u16string& pem) {
    const OwnedCertContext context(contextOfPem(pem));
    return context && ::TCryptoapi::ViewCertificate(nullptr, context.get());
}

HCERTSTORE TCryptoapi::MemoryStoreFromList(const std::vector<CertInfo>& records) {
    if (records.empty()) return nullptr;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!store) return nullptr;
    for (const CertInfo& record : records) {
        const OwnedCertContext context(CertContextFromRecord(record));
        if (context) CertAddCertificateContextToStore(store, context.get(), CERT_STORE_ADD_ALWAYS, nullptr);
    }
    return store;
}

}  // namespace halvex
