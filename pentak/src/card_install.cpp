// card_install.cpp: the certificates of an issued-certificate answer
// written onto their card containers and installed into the user's stores.
#include "common/cryptoapi.h"
#include "containers.h"
#include "key_records.h"
#include "known_providers.h"
#include "stores.h"
#include "win32/error.h"

namespace {

// The card providers' own parameter that takes a vendor blob or a
// certificate.
constexpr DWORD kCardDataParameter = 0x10000005;
// The failure a Zintra card reports for a slot its vendor data must first
// prepare.
constexpr DWORD kZintraSlotNotReady = 0x20000005;

// Installation flags of an issued-certificate answer.
constexpr DWORD kInstallWriteCards = 1;
constexpr DWORD kInstallPersonal = 2;
constexpr DWORD kInstallToProvider = 4;
constexpr DWORD kInstallCaCertificates = 8;
constexpr DWORD kInstallAddressBook = 16;

// Store kinds of AddToStoreByKind and of the kind mask.
constexpr DWORD kKindWithKey = 1;
constexpr DWORD kKindWithoutKey = 2;
constexpr DWORD kKindCa = 4;

// Whether the card provider refused the certificate in the way that its
// vendor data, once handed over, cures.
bool vendorDataMayHelp(const std::u16string& provider, DWORD error) {
    if (provider == kKavloCspName) return error == static_cast<DWORD>(NTE_NOT_FOUND);
    if (provider == kZintraCspName) return error == ERROR_ALREADY_EXISTS || error == kZintraSlotNotReady;
    return false;
}

// Hands the bytes to the provider through its own parameter, in a verify
// context.
bool passToProvider(const std::u16string& provider, DWORD type, const std::vector<BYTE>& bytes) {
    AcquiredContext context;
    return context.Acquire({}, provider, type, CRYPT_VERIFYCONTEXT) &&
           CryptSetProvParam(context.get(), kCardDataParameter, bytes.data(), 0);
}

CertKeyInfo keyOf(const EnrollEntry& entry, DWORD keySpec) {
    CertKeyInfo key;
    key.provider = entry.provider;
    key.providerType = entry.providerType;
    key.container = entry.container;
    key.keySpec = keySpec;
    return key;
}

}  // namespace

bool TCryptoapi::WriteCertificatesToCards(std::vector<EnrollEntry>& entries) {
    bool allWritten = true;
    AcquiredContext context;
    const EnrollEntry* held = nullptr;
    for (EnrollEntry& entry : entries)
        for (EnrollCertificate& certificate : entry.certificates) {
            const OwnedCertContext withKey = CertificateWithKey(certificate.der, keyOf(entry, entry.keySpec));
            const bool sameContainer =
                held && held->provider == entry.provider && held->container == entry.container;
            if (!sameContainer) {
                held = context.Acquire(entry.container, entry.provider, entry.providerType, 0) ? &entry : nullptr;
            }
            bool written = withKey && held && SetContainerCertificate(context.get(), entry.keySpec, withKey.get());
            if (!written && withKey && held && vendorDataMayHelp(entry.provider, GetLastError()) &&
                !entry.vendorBlob.empty() && TakesCardCertificates(entry.provider))
                written = passToProvider(entry.provider, entry.providerType, entry.vendorBlob) &&
                          SetContainerCertificate(context.get(), entry.keySpec, withKey.get());
            if (written) {
                certificate.flags |= kCertWrittenToCard;
            } else {
                allWritten = Failed();
            }
        }
    return allWritten;
}

bool TCryptoapi::InstallCertificatesByKind(std::vector<EnrollEntry>& entries, DWORD kindMask) {
    bool allInstalled = true;
    for (EnrollEntry& entry : entries)
        for (EnrollCertificate& certificate : entry.certificates) {
            const bool withKey = !entry.container.empty() && certificate.keySpec != 0;
            const DWORD kind = withKey ? kKindWithKey : kKindWithoutKey;
            if (!(kindMask & kind)) continue;
            const CertKeyInfo key = withKey ? keyOf(entry, certificate.keySpec) : CertKeyInfo{};
            if (AddToStoreByKind(certificate.der, key, kind))
                certificate.flags |= withKey ? kCertInstalledPersonal : kCertInstalledAddressBook;
            else
                allInstalled = false;
        }
    return allInstalled;
}

bool TCryptoapi::InstallCertificateChain(std::vector<EnrollEntry>& entries, DWORD flags) {
    bool ok = true;
    if (flags & kInstallWriteCards) ok = WriteCertificatesToCards(entries);
    const DWORD kindMask =
        ((flags & kInstallPersonal) ? kKindWithKey : 0) | ((flags & kInstallAddressBook) ? kKindWithoutKey : 0);
    if (kindMask && !InstallCertificatesByKind(entries, kindMask)) ok = false;
    return ok;
}

bool TCryptoapi::InstallCertificates(const std::vector<std::vector<BYTE>>& userCertificates,
                                     const std::vector<std::vector<BYTE>>& caCertificates,
                                     const std::u16string& provider, DWORD flags) {
    bool ok = true;
    if (flags & kInstallToProvider) {
        if (provider.empty()) {
            SetLastError(static_cast<DWORD>(NTE_BAD_PROVIDER));
            ok = Failed();
        } else if (!TakesCardCertificates(provider)) {
            SetLastError(ERROR_NOT_SUPPORTED);
            ok = Failed();
        } else {
            const TCryptProviderW* known = FindKnownProvider(provider);
            const DWORD type = known ? known->type : PROV_RSA_FULL;
            for (const std::vector<BYTE>& certificate : userCertificates)
                if (!passToProvider(provider, type, certificate)) ok = Failed();
        }
    }
    if (flags & kInstallCaCertificates)
        for (const std::vector<BYTE>& certificate : caCertificates)
            if (!AddToStoreByKind(certificate, CertKeyInfo{}, kKindCa)) ok = false;
    return ok;
}
