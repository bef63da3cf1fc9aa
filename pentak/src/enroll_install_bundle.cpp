// CEnroll: user certificates and a CA bundle (CMF text) installed by the
// caller's flags, and a CA bundle turned into PEM certificates; both write
// an installation log at the end of the diagnostic text.
#include "cert_checks.h"
#include "cert_key_lookup.h"
#include "cmf.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "enroll.h"
#include "install_log.h"
#include "known_providers.h"
#include "platform/text.h"
#include "win32/crypt_names.h"
#include "win32/error.h"

namespace {

constexpr DWORD kBase64Flags = 6;        // decode, armour lines allowed
constexpr DWORD kInstallWriteCards = 1;  // the flag the Dravik card's patch serves

OwnedCertContext contextOf(const std::vector<BYTE>& der) {
    return OwnedCertContext(CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
}

// The CA bundle's certificates that make contexts, each logged by subject;
// false (ERROR_INVALID_DATA) when an item does not decode.
bool readCaBundle(CEnroll& session, const std::u16string& bundle, std::vector<std::vector<BYTE>>& ders,
                  std::vector<OwnedCertContext>& contexts, InstallLog& log) {
    std::vector<std::vector<BYTE>> decoded;
    if (!CmfTextToCertificates(bundle, decoded)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    for (std::vector<BYTE>& der : decoded) {
        OwnedCertContext context = contextOf(der);
        if (!context) continue;
        std::u16string subject;
        session.CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), CERT_X500_NAME_STR, FALSE, subject);
        log.Add(u"CA_CMF DN: " + subject);
        ders.push_back(std::move(der));
        contexts.push_back(std::move(context));
    }
    return true;
}

}  // namespace

DWORD CEnroll::EnrollX509(std::u16string_view userCertificates, std::u16string_view caBundle, DWORD flags) {
    InstallLog log;
    std::vector<std::vector<BYTE>> caDers;
    std::vector<OwnedCertContext> caContexts;
    bool ok = caBundle.empty() || readCaBundle(*this, std::u16string(caBundle), caDers, caContexts, log);

    InstallGroups groups;
    std::vector<std::vector<BYTE>> userDers;
    if (ok && !userCertificates.empty()) {
        for (const std::u16string& item : SplitArmouredItems(std::u16string(userCertificates))) {
            std::vector<BYTE> der;
            OwnedCertContext context;
            if (TAsn1Coder::StringToBinary(item, der, kBase64Flags)) context = contextOf(der);
            if (!context) {
                SetLastError(ERROR_INVALID_DATA);
                ok = false;
                break;
            }
            CertKeyInfo key;
            if (TCryptoapi::GetCertKeyInfo(context.get(), key)) FindCertKeyInStores(der, m_cspStore, key);
            std::u16string subject, issuer;
            CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), CERT_X500_NAME_STR, FALSE, subject);
            CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), CERT_X500_NAME_STR, TRUE, issuer);
            log.Add(u"cert   DN: " + subject);
            log.Add(u"issuer DN: " + issuer);

            std::vector<BYTE> issuerDer;
            for (std::size_t i = 0; i < caContexts.size() && issuerDer.empty(); ++i)
                if (IsIssuerOf(context.get(), caContexts[i].get())) issuerDer = caDers[i];

            std::size_t group = 0;
            while (group < groups.entries.size() && groups.entries[group].container != key.container) ++group;
            if (group == groups.entries.size()) {
                groups.entries.push_back({key.provider, key.providerType, key.container, key.keySpec, {}, {}});
                groups.issuers.emplace_back();
            }
            groups.entries[group].certificates.push_back({der, key.keySpec, 0});
            groups.issuers[group].push_back(std::move(issuerDer));
            userDers.push_back(std::move(der));
        }
    }

    const std::u16string provider = m_providerName.value_or(u"");
    if (ok && !groups.entries.empty() && (flags & kInstallWriteCards) &&
        platform::text::equalsNoCase(provider, kDravikCspName) && !GPKPatch(groups))
        flags &= ~kInstallWriteCards;

    log.Add(u"pocet_certu: " + DecimalText(static_cast<long long>(userDers.size())) +
            u" pocet_cmf: " + DecimalText(static_cast<long long>(caDers.size())));
    log.AppendToDiagnostics();

    if (ok) {
        TCryptoapi api;
        ok = api.InstallCertificateChain(groups.entries, flags);
        ok = api.InstallCertificates(userDers, caDers, provider, flags) && ok;
    }
    return ResultFromStatus(ok, GetLastError());
}

DWORD CEnroll::CmfToPem(std::u16string_view caBundle, std::u16string& pem) {
    if (caBundle.empty()) return ResultFromStatus(true, 0);
    std::vector<std::vector<BYTE>> certificates;
    if (!CmfTextToCertificates(std::u16string(caBundle), certificates)) {
        SetLastError(ERROR_INVALID_DATA);
        return ResultFromStatus(false, GetLastError());
    }
    InstallLog log;
    std::string text;
    for (const std::vector<BYTE>& der : certificates) {
        // What is no certificate is not handed out as one.
        if (!contextOf(der)) {
            SetLastError(ERROR_INVALID_DATA);
            return ResultFromStatus(false, GetLastError());
        }
        std::u16string subject;
        CertNameBlobToStr(der.data(), static_cast<DWORD>(der.size()), CERT_X500_NAME_STR, FALSE, subject);
        log.Add(u"CA_CMF DN: " + subject);
        std::string base64;
        if (!Base64ConvertVector(der, base64, kBase64RecordFlags)) return ResultFromStatus(false, GetLastError());
        text += TAsn1Coder::CertToPem(base64);
    }
    log.AppendToDiagnostics();
    pem.assign(text.begin(), text.end());
    return ResultFromStatus(true, 0);
}
