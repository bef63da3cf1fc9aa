// CEnroll: the user's usable certificates listed, picked in CryptUI's
// selection dialog and shown, and the names of certificates as text.
#include <algorithm>

#include "cert_checks.h"
#include "cert_view.h"
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/pem.h"
#include "display_name.h"
#include "enroll.h"
#include "enroll_report.h"
#include "common/decoded_object.h"
#include "known_providers.h"
#include "stores.h"
#include "win32/crypt_names.h"
#include "win32/cryptui.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr std::size_t kDisplayTextLimit = 100;
constexpr std::size_t kDisplayTextCut = 99;
// Intended use, friendly name and location are not shown.
constexpr DWORD kHiddenSelectColumns = 28;
constexpr int kNoteLevel = 2;

std::u16string base64Of(PCCERT_CONTEXT certificate) {
    std::string text;
    Base64ConvertBuffer(certificate->pbCertEncoded, certificate->cbCertEncoded, text, kBase64RecordFlags);
    return {text.begin(), text.end()};
}

bool displayText(PCCERT_CONTEXT certificate, std::u16string& out) {
    DWORD length = 0;
    if (!FormatCertDisplayName(certificate, nullptr, &length) || length == 0) return false;
    std::u16string text(length, u'\0');
    if (!FormatCertDisplayName(certificate, text.data(), &length)) return false;
    text.resize(std::min<std::size_t>(length, text.size()));
    if (text.size() > kDisplayTextLimit) text.resize(kDisplayTextCut);
    out = std::move(text);
    return true;
}

BOOL usableFilter(PCCERT_CONTEXT certificate, BOOL* /*initialSelection*/, void* caList) {
    return IsUsableCertificate(certificate, *static_cast<const CaRestriction*>(caList)) ? TRUE : FALSE;
}

BOOL noteAt(int line, const char* text) {
    ReportError(kNoteLevel, 0, text, "Enroll", line);
    return FALSE;
}

}  // namespace

// The CSP store was loaded without certificates (CSPLoadStore not asked for
// them): its entries hold keys alone, and a reader of certificates has none.
bool CEnroll::cspStoreLacksCertificates() const {
    for (const CspStoreEntry& entry : m_cspStore)
        for (const CspKeyRecord& record : entry.keys)
            if (!record.certificate.empty()) return false;
    return !m_cspStore.empty();
}

OwnedCertStore CEnroll::certificateSource(bool fromCspStore) const {
    if (!fromCspStore) return OpenUserStore(kStorePersonal);
    // Each certificate carries the key its entry names, as it would in "MY".
    std::vector<OwnedCertContext> owned;
    std::vector<PCCERT_CONTEXT> certificates;
    for (const CspStoreEntry& entry : m_cspStore)
        for (const CspKeyRecord& record : entry.keys)
            if (OwnedCertContext withKey = CertificateWithKey(record.certificate, record.info)) {
                certificates.push_back(withKey.get());
                owned.push_back(std::move(withKey));
            }
    return MemoryStoreOf(certificates);
}

DWORD CEnroll::certificateAt(LONG index, std::u16string_view caCerts, bool fromCspStore, CertText kind,
                             std::u16string& out) const {
    if (fromCspStore && cspStoreLacksCertificates()) return ERROR_NO_DATA;
    const CaRestriction cas = CaRestriction::FromPem(std::u16string(caCerts));
    const OwnedCertStore store = certificateSource(fromCspStore);
    if (!store) return ResultFromStatus(false, GetLastError());
    LONG usable = 0;
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store.get(), certificate)) != nullptr) {
        if (!IsUsableCertificate(certificate, cas) || usable++ != index) continue;
        const OwnedCertContext found(certificate);
        if (kind == CertText::base64) {
            out = base64Of(found.get());
            return 0;
        }
        return displayText(found.get(), out) ? 0 : ResultFromStatus(false, GetLastError());
    }
    // The caller stops at the empty text.
    out.clear();
    return 0;
}

DWORD CEnroll::EnumCertsEx(LONG index, std::u16string_view caCerts, BOOL fromCspStore, std::u16string& subject) {
    return certificateAt(index, caCerts, fromCspStore != FALSE, CertText::display, subject);
}

DWORD CEnroll::GetCertEx(LONG index, std::u16string_view caCerts, BOOL fromCspStore, std::u16string& certificate) {
    return certificateAt(index, caCerts, fromCspStore != FALSE, CertText::base64, certificate);
}

DWORD CEnroll::SelectCertEx(std::u16string_view caCerts, BOOL fromCspStore, std::u16string& certificate) {
    SetLastError(0);
    if (fromCspStore && cspStoreLacksCertificates()) return ERROR_NO_DATA;
    TLoadLibrary cryptui;
    if (!cryptui.Load(u"cryptui.dll")) return ResultFromStatus(false, GetLastError());
    const auto select = cryptui.GetProc<PFN_CryptUIDlgSelectCertificateW>("CryptUIDlgSelectCertificateW", nullptr);
    if (!select) return ResultFromStatus(false, GetLastError());
    const CaRestriction cas = CaRestriction::FromPem(std::u16string(caCerts));
    OwnedCertStore store = certificateSource(fromCspStore != FALSE);
    if (!store) return ResultFromStatus(false, GetLastError());
    HCERTSTORE stores[] = {store.get()};
    CRYPTUI_SELECTCERTIFICATE_STRUCTW dialog{};
    dialog.dwSize = sizeof dialog;
    dialog.hwndParent = GetActiveWindow();
    dialog.dwDontUseColumn = kHiddenSelectColumns;
    dialog.pFilterCallback = usableFilter;
    dialog.pvCallbackData = const_cast<CaRestriction*>(&cas);
    dialog.cDisplayStores = 1;
    dialog.rghDisplayStores = stores;
    const OwnedCertContext chosen(select(&dialog));
    if (!chosen) return ERROR_CANCELLED;
    certificate = base64Of(chosen.get());
    return 0;
}

DWORD CEnroll::ViewCert(std::u16string_view certificate) {
    if (certificate.empty()) return ERROR_INVALID_PARAMETER;
    SetLastError(0);
    const OwnedCertContext context = CertificateOfText(std::u16string(certificate));
    const bool shown = context && TCryptoapi::ViewCertificate(context.get(), nullptr);
    return ResultFromStatus(shown, GetLastError());
}

BOOL CEnroll::CertNameBlobToStr(const BYTE* encoded, DWORD length, DWORD nameType, BOOL issuer,
                                std::u16string& name) {
    const OwnedCertContext certificate(CertCreateCertificateContext(kCertEncoding, encoded, length));
    if (!certificate) return noteAt(3963, "Chyba funkce CertCreateCertificateContext");
    CERT_NAME_BLOB* blob = issuer ? &certificate->pCertInfo->Issuer : &certificate->pCertInfo->Subject;
    const DWORD size = CertNameToStrW(kCertEncoding, blob, nameType, nullptr, 0);
    if (size == 0) return noteAt(3982, "Chyba funkce CertNameToStr(1)");
    std::u16string text(size, u'\0');
    if (CertNameToStrW(kCertEncoding, blob, nameType, text.data(), size) == 0)
        return noteAt(4003, "Chyba funkce CertNameToStr(2)");
    text.resize(size - 1);
    name = std::move(text);
    return TRUE;
}

namespace {

bool decodeBase64(std::u16string_view text, std::vector<BYTE>& out) {
    return Base64DecodeString(WideToMultiByte(text.data(), static_cast<int>(text.size())), out) != 0 && !out.empty();
}

}  // namespace

BOOL CEnroll::ParseCertSubjectToStr(std::u16string_view certificate, DWORD nameType, std::u16string& subject) {
    std::vector<BYTE> der;
    if (!decodeBase64(certificate, der)) return noteAt(4032, "Chyba dekodovani certifikatu");
    return CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), nameType, FALSE, subject);
}

BOOL CEnroll::ParseCertIssuerToStr(std::u16string_view certificate, DWORD nameType, std::u16string& issuer) {
    std::vector<BYTE> der;
    if (!decodeBase64(certificate, der)) return noteAt(4034, "Chyba dekodovani certifikatu");
    return CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), nameType, TRUE, issuer);
}
