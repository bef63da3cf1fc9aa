// The signer's certificates of each kind: the preset one found among the
// remembered certificates, the user's choice in the selection dialog (which
// becomes the preset one), the preparation of a signing operation's
// certificates, and the preset signature and TSA certificates shown or
// handed out as PEM.
#include <string>
#include <vector>

#include "common/log.h"
#include "common/resource.h"
#include "common/select_cert_dlg.h"
#include "signer.h"
#include "signer_errors.h"
#include "win32/ui.h"

namespace {

constexpr LONG kSignatureKind = 1;
constexpr LONG kTsaKind = 4;
constexpr LONG kSelectTitle = 12;

// What the selection dialog offers for a kind.
struct CertKindRow {
    WORD keyUsage;          // the certificate must share a key-usage bit with it
    const char16_t* store;  // the user's system store it is looked for in
    LONG prompt;            // string shown above the list
    bool needsKey;          // only certificates bound to a private key
};

constexpr WORD kAnyKeyUsage = 0xF8;
constexpr WORD kDigitalSignature = 0x80;
constexpr WORD kKeyEncipherment = 0x20;

constexpr CertKindRow kKinds[] = {
    {kAnyKeyUsage, u"MY", 13, true},
    {kDigitalSignature, u"MY", 14, true},
    {kKeyEncipherment, u"MY", 17, true},
    {kKeyEncipherment, u"AddressBook", 18, false},
    {kAnyKeyUsage, u"MY", 13, true},
};

const CertKindRow* KindRow(LONG kind) {
    if (kind < 0 || kind >= static_cast<LONG>(std::size(kKinds))) return nullptr;
    return &kKinds[kind];
}

std::string DialogText(LONG id) {
    std::string text;
    TResource::Instance()->FormatString(text, static_cast<DWORD>(id));
    return text;
}

// Shows the preset certificate in the viewer: 0, notSet without one, 9 when
// the viewer cannot show it.
LONG ViewOutcome(bool found, const CertInfo& preset, LONG notSet) {
    if (!found) return notSet;
    return TSelectCertDlg().ViewCertInfo(GetActiveWindow(), preset) ? 0 : kErrNoGraphicalInterface;
}

}  // namespace

bool TSigner::GetCertificate(LONG kind, CertInfo& out, bool remember) {
    const CertKindRow* row = KindRow(kind);
    if (!row) return false;
    const LONG flags = kind == kTsaKind ? m_tsaCertSelFlags : m_certSelFlags;
    std::vector<CertInfo> remembered;
    if (!m_certs.SelectCertificates(kind, remembered, static_cast<DWORD>(flags))) return false;
    const bool inContainers = row->needsKey && m_csp.CertProviderHasFlags(kProviderSecureDevice);
    const DWORD found = inContainers ? TCryptoapi::GetMessageCertsFromList(m_csp.GetCertificates(), remembered, out)
                                     : TCryptoapi::GetMessageCertsFromSystemStore(row->store, remembered, out);
    if (found && remember) m_certs.AddCertificate(kind, out, false);
    return found != 0;
}

LONG TSigner::SelectCertificate(LONG kind, const std::string& issuerDn, CertInfo* out, bool alwaysShow) {
    SIGNER_TRACE_VALUE(kind);
    const CertKindRow* row = KindRow(kind);
    if (!row) return kErrInternal;
    CertInfo chosen;
    GetCertificate(kind, chosen, false);

    const CertSelectDlgParams params{GetActiveWindow(), DialogText(kSelectTitle), DialogText(row->prompt)};
    const LONG flags = kind == kTsaKind ? m_tsaCertSelFlags : m_certSelFlags;
    const CertSelectFilter filter{.requireKeyProvider = row->needsKey ? 1u : 0u,
                                  .keyUsage = row->keyUsage,
                                  .issuerDn = issuerDn,
                                  .preselectSubjectDn = chosen.subjectDn,
                                  .selectionFlags = static_cast<DWORD>(flags),
                                  .setLabel = m_selectionDisplaySwitch ? 1u : 0u};
    TSelectCertDlg dialog;
    const bool inContainers = row->needsKey && m_csp.CertProviderHasFlags(kProviderSecureDevice);
    const DWORD result = inContainers
                             ? dialog.SelectFromList(params, filter, m_csp.GetCertificates(), chosen, alwaysShow)
                             : dialog.SelectFromSystemStore(params, filter, chosen, alwaysShow, row->store);
    if (result != 0) return static_cast<LONG>(result);
    if (kind == kSignatureKind && !ValidateSignCert(chosen)) return kErrPolicyRejectsCert;

    m_certs.AddCertificate(kind, chosen, true);
    if (out) *out = chosen;
    return 0;
}

bool TSigner::SetCertSign(const std::string& issuerDn, CertInfo* out) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "issuer_dn: " + issuerDn);
    return Record(SelectCertificate(kSignatureKind, issuerDn, out, true));
}

LONG TSigner::ChooseCertificate(LONG kind, const std::string& issuerDn, bool alwaysShow) {
    return SelectCertificate(kind, issuerDn, nullptr, alwaysShow);
}

LONG TSigner::PrepareCertificates(LONG operation, const std::string& issuerDn) {
    SIGNER_TRACE_VALUE(operation);
    struct Need {
        LONG bit;
        LONG kind;
        bool filtered;
    };
    // Each bit once, lowest first; bits outside these need no certificate.
    constexpr Need kNeeds[] = {{1, 0, true}, {2, 1, true}, {4, 2, true}, {8, 3, false}, {16, 0, false}};
    for (const Need& need : kNeeds) {
        if (!(operation & need.bit)) continue;
        CertInfo preset;
        if (GetCertificate(need.kind, preset, true)) continue;
        const LONG result = ChooseCertificate(need.kind, need.filtered ? issuerDn : std::string(), false);
        if (result != 0) return result;
    }
    return 0;
}

std::string TSigner::GetCertSignPem() {
    SIGNER_TRACE();
    CertInfo preset;
    GetCertificate(kSignatureKind, preset, false);
    return preset.pem;
}

std::string TSigner::GetTsaCertAuthenticationPem() {
    SIGNER_TRACE();
    CertInfo preset;
    GetCertificate(kTsaKind, preset, false);
    return preset.pem;
}

bool TSigner::ShowCertSign() {
    SIGNER_TRACE();
    CertInfo preset;
    return Record(ViewOutcome(GetCertificate(kSignatureKind, preset, false), preset, kErrSignCertNotSet));
}

bool TSigner::ShowTsaCertAuthentication() {
    SIGNER_TRACE();
    CertInfo preset;
    return Record(ViewOutcome(GetCertificate(kTsaKind, preset, false), preset, kErrTsaCertNotSet));
}
