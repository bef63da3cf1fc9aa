#include "certificate_selection.h"

#include <optional>
#include <string>
#include <vector>

#include "certificate_texts.h"
#include "certificate_view.h"
#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "win32/error.h"

namespace platform::cryptui {

namespace {

struct Offered {
    std::vector<HeldCertificate> certificates;
    std::size_t initialRow = 0;
};

// Every certificate of the stores the filter admits; the first it flags
// is the initial selection.
template <class Select>
Offered offeredBy(const Select& pcsc) {
    if (pcsc.cDisplayStores && !pcsc.rghDisplayStores)
        throw WinError(static_cast<DWORD>(E_INVALIDARG), "no display stores where a count is given");
    Offered offered;
    std::optional<std::size_t> initial;
    for (DWORD i = 0; i < pcsc.cDisplayStores; ++i) {
        PCCERT_CONTEXT certificate = nullptr;
        while ((certificate = CertEnumCertificatesInStore(pcsc.rghDisplayStores[i], certificate))) {
            BOOL flagged = FALSE;
            if (pcsc.pFilterCallback && !pcsc.pFilterCallback(certificate, &flagged, pcsc.pvCallbackData)) continue;
            if (flagged && !initial) initial = offered.certificates.size();
            offered.certificates.emplace_back(CertDuplicateCertificateContext(certificate));
        }
        if (const DWORD error = GetLastError(); error != static_cast<DWORD>(CRYPT_E_NOT_FOUND))
            throw WinError(error, "cannot read a display store");
    }
    offered.initialRow = initial.value_or(0);
    return offered;
}

// The caller's display callback views the certificate, or the built-in
// view does, with the caller's further stores for the path.
template <class Select>
void viewOffered(const Select& pcsc, PCCERT_CONTEXT certificate) {
    if (pcsc.pDisplayCallback && pcsc.pDisplayCallback(certificate, pcsc.hwndParent, pcsc.pvCallbackData)) return;
    if (pcsc.cStores && !pcsc.rghStores) throw WinError(static_cast<DWORD>(E_INVALIDARG), "no stores where a count is given");
    showCertificate(certificate, {{}, CRYPTUI_DISABLE_EDITPROPERTIES | CRYPTUI_DISABLE_ADDTOSTORE,
                                  std::vector<HCERTSTORE>(pcsc.rghStores, pcsc.rghStores + pcsc.cStores)});
}

// The wide and the ANSI record differ only in their texts.
template <class Select, class ToUtf8>
PCCERT_CONTEXT select(const Select* pcsc, ToUtf8 toUtf8) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&]() -> PCCERT_CONTEXT {
        if (!pcsc || pcsc->dwSize != sizeof(Select) || pcsc->dwFlags || pcsc->cPropSheetPages)
            throw WinError(static_cast<DWORD>(E_INVALIDARG), "not a selection the dialog can show");
        ui::checkOwner(pcsc->hwndParent);
        const Offered offered = offeredBy(*pcsc);
        ui::CertificateSelectionRequest request;
        request.list.title = pcsc->szTitle ? toUtf8(pcsc->szTitle) : "Vybrat certifikát";
        request.list.prompt =
            pcsc->szDisplayString ? toUtf8(pcsc->szDisplayString) : "Vyberte certifikát, který chcete použít.";
        request.list.columns = columnTitles(pcsc->dwDontUseColumn);
        for (const auto& certificate : offered.certificates)
            request.list.rows.push_back(rowCells(certificate.get(), pcsc->dwDontUseColumn));
        request.initialRow = offered.initialRow;
        request.view = [&](std::size_t row) { viewOffered(*pcsc, offered.certificates.at(row).get()); };
        const auto chosen = ui::backend().selectCertificate(request);
        if (!chosen) return nullptr;
        return CertDuplicateCertificateContext(offered.certificates.at(*chosen).get());
    });
}

}  // namespace

PCCERT_CONTEXT selectCertificateW(PCCRYPTUI_SELECTCERTIFICATE_STRUCTW pcsc) noexcept {
    return select(pcsc, [](LPCWSTR s) { return text::toUtf8(s); });
}

PCCERT_CONTEXT selectCertificateA(PCCRYPTUI_SELECTCERTIFICATE_STRUCTA pcsc) noexcept {
    return select(pcsc, [](LPCSTR s) { return text::ansiToUtf8(s); });
}

}  // namespace platform::cryptui
