#include "certificate_manager.h"

#include <vector>

#include "certificate_texts.h"
#include "certificate_view.h"
#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "user_stores.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace platform::cryptui {

namespace {

constexpr char kTitle[] = "Certifikáty";

// The manager's list shows no location: the tab is the location.
constexpr DWORD kHiddenColumns = CRYPTUI_SELECT_LOCATION_COLUMN;

std::vector<HeldCertificate> certificatesOf(HCERTSTORE store) {
    std::vector<HeldCertificate> certificates;
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)))
        certificates.emplace_back(CertDuplicateCertificateContext(certificate));
    return certificates;
}

bool confirmed(const std::string& title) {
    ui::MessageBoxRequest question{"Certifikát bude odebrán z úložiště a nelze jej obnovit. Data zašifrovaná pro "
                                   "tento certifikát pak nepůjde dešifrovat. Opravdu chcete certifikát odebrat?",
                                   title, ui::Icon::Warning, {IDYES, IDNO}};
    question.defaultButton = 1;
    return ui::backend().messageBox(question) == IDYES;
}

bool removed(HeldCertificate& certificate, const std::string& title) {
    if (!certificate || !confirmed(title)) return false;
    // Deleting frees the context given; the list's own reference goes too.
    if (!CertDeleteCertificateFromStore(CertDuplicateCertificateContext(certificate.get()))) return false;
    certificate.reset();
    return true;
}

}  // namespace

BOOL startCertMgr(PCCRYPTUI_CERT_MGR_STRUCT info) noexcept {
    return winBool([&] {
        if (!info || info->dwSize != sizeof(CRYPTUI_CERT_MGR_STRUCT) || info->dwFlags)
            throw WinError(static_cast<DWORD>(E_INVALIDARG), "not a certificate manager the dialog can show");
        ui::checkOwner(info->hwndParent);
        ui::CertificateManagerRequest request;
        request.title = info->pwszTitle ? text::toUtf8(info->pwszTitle) : kTitle;
        request.columns = columnTitles(kHiddenColumns);
        std::vector<HeldStore> stores;
        std::vector<std::vector<HeldCertificate>> certificates;
        for (const auto& store : kUserStores) {
            stores.push_back(openUserStore(store));
            certificates.push_back(certificatesOf(stores.back().get()));
            ui::CertificateTab tab{store.name, store.label, {}};
            for (const auto& certificate : certificates.back())
                tab.rows.push_back(rowCells(certificate.get(), kHiddenColumns));
            request.tabs.push_back(std::move(tab));
        }
        request.view = [&](std::size_t tab, std::size_t row) {
            if (const auto& certificate = certificates.at(tab).at(row))
                showCertificate(certificate.get(), {{}, CRYPTUI_DISABLE_ADDTOSTORE, {}});
        };
        request.remove = [&](std::size_t tab, std::size_t row) {
            return removed(certificates.at(tab).at(row), request.title);
        };
        ui::backend().manageCertificates(request);
        return true;
    });
}

}  // namespace platform::cryptui
