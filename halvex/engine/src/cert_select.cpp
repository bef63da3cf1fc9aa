// CryptUI's selection dialog, loaded by name for each choice and freed
// after it, over the renewal program's filter.
#include "halvex/cert_select.h"

#include "common/chain_check.h"
#include "common/load_library.h"
#include "common/owned_context.h"
#include "halvex/cert_access.h"
#include "win32/cryptui.h"

namespace halvex {

namespace {

BOOL filterCallback(PCCERT_CONTEXT certificate, BOOL* preselect, void* filter) {
    return CertificatePassesFilter(certificate, *static_cast<const SelectFilter*>(filter), preselect) ? TRUE : FALSE;
}

const char16_t* textOrNull(const std::u16string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

bool CertificatePassesFilter(PCCERT_CONTEXT certificate, const SelectFilter& filter, BOOL* preselect) {
    CertInfo candidate;
    if (!TCryptoapi::ReadCertificate(candidate, certificate)) return false;
    if (filter.checkChain && !::TCryptoapi::CheckChain(certificate, kCheckChain, nullptr, nullptr, nullptr, nullptr))
        return false;
    if (!(candidate.keyUsage & filter.keyUsageMask)) return false;
    if (!filter.issuerDn.empty() && candidate.issuerDn != filter.issuerDn) return false;
    if (preselect && candidate.subjectDn == filter.preferredDn) *preselect = TRUE;
    return true;
}

bool SelectCertificate(CertInfo& out, HCERTSTORE store, const SelectTexts& texts, const SelectFilter& filter) {
    TLoadLibrary cryptUi;
    if (!cryptUi.Load("CryptUI.dll")) return false;
    const auto select =
        cryptUi.GetProc("CryptUIDlgSelectCertificateW", PFN_CryptUIDlgSelectCertificateW{});
    if (!select) return false;
    CRYPTUI_SELECTCERTIFICATE_STRUCTW request{};
    request.dwSize = sizeof request;
    request.hwndParent = texts.owner;
    request.szTitle = textOrNull(texts.title);
    request.szDisplayString = textOrNull(texts.prompt);
    request.dwDontUseColumn =
        CRYPTUI_SELECT_INTENDEDUSE_COLUMN | CRYPTUI_SELECT_FRIENDLYNAME_COLUMN | CRYPTUI_SELECT_LOCATION_COLUMN;
    request.pFilterCallback = filterCallback;
    request.pvCallbackData = const_cast<SelectFilter*>(&filter);  // the callback only reads it
    request.cDisplayStores = 1;
    request.rghDisplayStores = &store;
    const OwnedCertContext chosen(select(&request));
    return chosen && TCryptoapi::ReadCertificate(out, chosen.get());
}

bool SelectCertificateFromList(CertInfo& out, const std::vector<CertInfo>& records, const SelectTexts& texts,
                               const SelectFilter& filter) {
    const OwnedCertStore store(TCryptoapi::MemoryStoreFromList(records));
    return store && SelectCertificate(out, store.get(), texts, filter);
}

}  // namespace halvex
