// CEnroll: the session's CSP store loaded from its provider, and the
// certificates and containers removed from a known card provider.
#include <algorithm>
#include <optional>

#include "cert_checks.h"
#include "cert_view.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "container_names.h"
#include "containers.h"
#include "enroll.h"
#include "known_providers.h"
#include "pentak_resource.h"
#include "stores.h"
#include "win32/crypt_names.h"
#include "win32/datetime.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kCancelledByUser = 0x8010006E;  // SCARD_W_CANCELLED_BY_USER
// The card providers' own parameters of the roots the card keeps: their DER
// certificates one after another, and the deletion of one of them.
constexpr DWORD kCardRootListParameter = 0x10000003;
constexpr DWORD kCardRootDeleteParameter = 0x10000004;
constexpr int kRootCaption = 20;
constexpr int kRootQuestion = 21;
constexpr int kContainerCaption = 22;
constexpr int kContainerQuestion = 23;
constexpr int kSubjectLine = 24;
constexpr int kContainerLine = 25;
constexpr long long kFileTimeDay = 864000000000LL;  // 100-ns units

long long fileTimeValue(const FILETIME& time) {
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

OwnedCertContext contextOf(const CspKeyRecord& record) {
    return OwnedCertContext(CertCreateCertificateContext(kCertEncoding, record.certificate.data(),
                                                         static_cast<DWORD>(record.certificate.size())));
}

bool isComplete(const CspStoreEntry& entry) {
    return !entry.provider.empty() && !entry.container.empty() && entry.providerType != 0 && !entry.keys.empty();
}

// Whole days from now to the end of the certificate's validity, towards zero;
// negative once it has expired. Empty when it is valid now.
std::optional<long long> daysToEndOfInvalid(PCCERT_CONTEXT certificate) {
    if (VerifySubjectCertificate(certificate, nullptr, CERT_STORE_TIME_VALIDITY_FLAG)) return std::nullopt;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (fileTimeValue(certificate->pCertInfo->NotAfter) - fileTimeValue(now)) / kFileTimeDay;
}

bool hasExpired(PCCERT_CONTEXT certificate) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return CompareFileTime(&certificate->pCertInfo->NotAfter, &now) < 0;
}

// The card's root certificates, one DER certificate after another as its
// provider gives them; a damaged list ends where the damage begins.
std::vector<std::vector<BYTE>> cardRoots(HCRYPTPROV card) {
    DWORD size = 0;
    if (!CryptGetProvParam(card, kCardRootListParameter, nullptr, &size, 0)) return {};
    std::vector<BYTE> list(size);
    if (!CryptGetProvParam(card, kCardRootListParameter, list.data(), &size, 0)) return {};
    list.resize(std::min<std::size_t>(size, list.size()));
    std::vector<std::vector<BYTE>> roots;
    for (std::size_t at = 0; at < list.size();) {
        const OwnedCertContext root(
            CertCreateCertificateContext(kCertEncoding, list.data() + at, static_cast<DWORD>(list.size() - at)));
        if (!root) break;
        roots.emplace_back(root->pbCertEncoded, root->pbCertEncoded + root->cbCertEncoded);
        at += root->cbCertEncoded;
    }
    return roots;
}

bool removeFromPersonalStore(PCCERT_CONTEXT certificate) {
    const OwnedCertStore store = OpenUserStore(kStorePersonal);
    if (!store) return false;
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store.get(), kCertEncoding, 0, CERT_FIND_EXISTING, certificate, nullptr);
    // A certificate that is not there needs no removal.
    return !found || CertDeleteCertificateFromStore(found);
}

}  // namespace

DWORD CEnroll::CSPLoadStore(BOOL full, LONG& count) {
    count = 0;
    m_cspStore.clear();
    const std::u16string provider = m_providerName.value_or(u"");
    if (provider.empty()) return static_cast<DWORD>(NTE_BAD_PROVIDER);
    const std::u16string reader = m_smartCardReaderName.value_or(u"");
    TCryptoapi api;
    std::vector<std::u16string> names;
    if (!api.EnumProviderContainers(provider, m_providerType, reader, names))
        return ResultFromStatus(false, api.GetLastErrorCode());
    LoadContainerEntries(provider, m_providerType, reader, names, m_cspStore);
    if (!full)
        for (CspStoreEntry& entry : m_cspStore)
            for (CspKeyRecord& record : entry.keys) {
                record.certificate.clear();
                record.info = CertKeyInfo{{}, record.info.provider, record.info.providerType, record.info.container,
                                          record.info.keySpec};
            }
    count = static_cast<LONG>(m_cspStore.size());
    return 0;
}

DWORD CEnroll::checkDeletionProvider() {
    const std::u16string provider = m_providerName.value_or(u"");
    if (provider.empty()) return static_cast<DWORD>(NTE_BAD_PROVIDER);
    const TCryptProviderW* known = FindKnownProvider(provider);
    if (!known || known->type != m_providerType) return static_cast<DWORD>(NTE_NOT_SUPPORTED);
    for (const CspStoreEntry& entry : m_cspStore)
        if (entry.provider != provider || entry.providerType != m_providerType) {
            m_cspStore.clear();
            break;
        }
    return 0;
}

bool CEnroll::removeCardCertificate(const CspStoreEntry& entry, CspKeyRecord& record) const {
    TCryptoapi api;
    if (!api.RemoveContainerCertificate(entry.provider, entry.providerType,
                                        JoinContainerName(entry.reader, entry.container), record.keySpec))
        return false;
    record.certificate.clear();
    return true;
}

DWORD CEnroll::DeleteExpiredCertificates(DWORD days) {
    if (const DWORD refused = checkDeletionProvider()) return refused;
    SetLastError(0);
    bool ok = true;
    for (CspStoreEntry& entry : m_cspStore) {
        if (!isComplete(entry)) continue;
        for (CspKeyRecord& record : entry.keys) {
            const OwnedCertContext certificate = contextOf(record);
            if (!certificate || !record.info.NamesKey()) continue;
            const std::optional<long long> daysLeft = daysToEndOfInvalid(certificate.get());
            if (daysLeft && *daysLeft <= -static_cast<long long>(days) && !removeCardCertificate(entry, record))
                ok = false;
        }
    }
    return ResultFromStatus(ok, GetLastError());
}

DWORD CEnroll::DeleteCertificate(std::u16string_view certificate) {
    if (certificate.empty()) return ERROR_INVALID_PARAMETER;
    if (const DWORD refused = checkDeletionProvider()) return refused;
    SetLastError(0);
    const OwnedCertContext wanted = CertificateOfText(std::u16string(certificate));
    if (!wanted) return ResultFromStatus(false, GetLastError());
    const std::vector<BYTE> der(wanted->pbCertEncoded, wanted->pbCertEncoded + wanted->cbCertEncoded);
    bool ok = true;
    for (CspStoreEntry& entry : m_cspStore) {
        if (!isComplete(entry)) continue;
        for (CspKeyRecord& record : entry.keys)
            if (record.certificate == der && !removeCardCertificate(entry, record)) ok = false;
    }
    return ResultFromStatus(ok, GetLastError());
}

DWORD CEnroll::DeleteCerts(std::u16string_view container, LONG& count) {
    count = 0;
    if (container.empty()) return ERROR_INVALID_PARAMETER;
    if (const DWORD refused = checkDeletionProvider()) return refused;
    SetLastError(0);
    bool ok = true;
    for (CspStoreEntry& entry : m_cspStore) {
        if (container != u"*" && entry.container != container) continue;
        for (CspKeyRecord& record : entry.keys) {
            if (record.certificate.empty()) continue;
            if (removeCardCertificate(entry, record))
                ++count;
            else
                ok = false;
        }
    }
    return ResultFromStatus(ok, GetLastError());
}

bool CEnroll::deleteExpiredCardRoots() {
    AcquiredContext card;
    // A card that cannot be reached, or keeps no roots, offers none.
    if (!card.Acquire({}, m_providerName.value_or(u""), m_providerType, CRYPT_DEFAULT_CONTAINER_OPTIONAL)) return true;
    bool ok = true;
    for (const std::vector<BYTE>& der : cardRoots(card.get())) {
        const OwnedCertContext root(
            CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
        if (!root || !hasExpired(root.get())) continue;
        std::u16string subject;
        CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), CERT_X500_NAME_STR, FALSE, subject);
        int answer = IDNO;
        if (!Confirm(answer, kRootCaption, kRootQuestion, subject.c_str())) ok = false;
        if (answer != IDYES) continue;
        if (!CryptSetProvParam(card.get(), kCardRootDeleteParameter, der.data(), 0) &&
            GetLastError() != kCancelledByUser)
            ok = false;
    }
    return ok;
}

DWORD CEnroll::DeleteObsoleteContent() {
    if (const DWORD refused = checkDeletionProvider()) return refused;
    SetLastError(0);
    bool ok = deleteExpiredCardRoots();
    LONG count = 0;
    if (const DWORD result = CSPLoadStore(TRUE, count)) return result;
    const TPentakResource& texts = *TPentakResource::Instance();
    std::vector<CspStoreEntry> kept;
    for (CspStoreEntry& entry : m_cspStore) {
        if (!isComplete(entry)) {
            kept.push_back(std::move(entry));
            continue;
        }
        std::vector<OwnedCertContext> certificates;
        bool allExpired = true;
        for (const CspKeyRecord& record : entry.keys)
            if (OwnedCertContext certificate = contextOf(record)) {
                allExpired = allExpired && hasExpired(certificate.get());
                certificates.push_back(std::move(certificate));
            }
        // A container without certificates (a key awaiting its certificate)
        // is never offered.
        if (certificates.empty() || !allExpired) {
            kept.push_back(std::move(entry));
            continue;
        }
        std::u16string listing = texts.FormatText(kContainerLine, entry.container.c_str());
        for (const OwnedCertContext& certificate : certificates) {
            std::u16string subject;
            CertNameBlobToStr(certificate->pbCertEncoded, certificate->cbCertEncoded, CERT_X500_NAME_STR, FALSE,
                              subject);
            listing += texts.FormatText(kSubjectLine, subject.c_str());
        }
        int answer = IDNO;
        if (!Confirm(answer, kContainerCaption, kContainerQuestion, listing.c_str())) ok = false;
        if (answer != IDYES) {
            kept.push_back(std::move(entry));
            continue;
        }
        bool removed = true;
        for (const OwnedCertContext& certificate : certificates)
            removed = removeFromPersonalStore(certificate.get()) && removed;
        HCRYPTPROV deleted = 0;
        const std::u16string fullName = JoinContainerName(entry.reader, entry.container);
        const bool containerDeleted = CryptAcquireContextW(&deleted, fullName.c_str(), entry.provider.c_str(),
                                                           entry.providerType, CRYPT_DELETEKEYSET);
        if (!containerDeleted && GetLastError() != kCancelledByUser) removed = false;
        ok = ok && removed;
        // A deleted container leaves the store with its entry.
        if (!containerDeleted) kept.push_back(std::move(entry));
    }
    m_cspStore = std::move(kept);
    return ResultFromStatus(ok, GetLastError());
}
