#include "certificate_view.h"

#include "certificate_texts.h"
#include "certification_path.h"
#include "extension_texts.h"
#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "user_stores.h"
#include "win32/error.h"

namespace platform::cryptui {

namespace {

bool setFriendlyName(PCCERT_CONTEXT certificate, const std::string& name) {
    std::u16string wide = text::fromUtf8(name);
    CRYPT_DATA_BLOB value{static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR)), reinterpret_cast<BYTE*>(wide.data())};
    return CertSetCertificateContextProperty(certificate, CERT_FRIENDLY_NAME_PROP_ID, 0,
                                             name.empty() ? nullptr : &value) != FALSE;
}

bool install(PCCERT_CONTEXT certificate, const UserStore& target) {
    try {
        const HeldStore store = openUserStore(target);
        return CertAddCertificateContextToStore(store.get(), certificate,
                                                CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES, nullptr) != FALSE;
    } catch (const WinError&) {
        return false;
    }
}

std::vector<HCERTSTORE> storesOf(DWORD count, HCERTSTORE* stores) {
    if (count && !stores) throw WinError(static_cast<DWORD>(E_INVALIDARG), "no stores where a count is given");
    return std::vector<HCERTSTORE>(stores, stores + count);
}

// The wide and the ANSI record differ only in the title's text.
template <class Info, class ToUtf8>
BOOL view(const Info* info, BOOL* propertiesChanged, ToUtf8 toUtf8) noexcept {
    return winBool([&] {
        if (!info || info->dwSize != sizeof(Info) || !info->pCertContext || info->pCryptProviderData ||
            info->cPropSheetPages)
            throw WinError(static_cast<DWORD>(E_INVALIDARG), "not a view the dialog can show");
        ui::checkOwner(info->hwndParent);
        const ViewOptions options{info->szTitle ? toUtf8(info->szTitle) : std::string(), info->dwFlags,
                                  storesOf(info->cStores, info->rghStores)};
        const bool changed = showCertificate(info->pCertContext, options);
        if (propertiesChanged) *propertiesChanged = changed ? TRUE : FALSE;
        return true;
    });
}

}  // namespace

bool showCertificate(PCCERT_CONTEXT certificate, const ViewOptions& options) {
    ui::CertificateViewRequest request;
    request.title = options.title.empty() ? "Certifikát" : options.title;
    request.summary = summaryLines(certificate);
    request.fields = fieldLines(certificate);
    request.extensions = extensionLines(*certificate->pCertInfo);
    if (!(options.flags & CRYPTUI_HIDE_HIERARCHYPAGE)) {
        auto path = certificationPath(certificate, options.stores);
        request.showPath = true;
        request.path = std::move(path.certificates);
        request.pathStatus = std::move(path.verdict);
    }
    request.friendlyName = friendlyName(certificate);
    bool changed = false;
    if (!(options.flags & CRYPTUI_DISABLE_EDITPROPERTIES))
        request.setFriendlyName = [&](const std::string& name) {
            const bool done = setFriendlyName(certificate, name);
            changed = changed || done;
            return done;
        };
    if (!(options.flags & CRYPTUI_DISABLE_ADDTOSTORE)) {
        for (std::size_t i = 0; i < kInstallableStores; ++i)
            request.stores.push_back({kUserStores[i].name, kUserStores[i].label});
        request.addToStore = [&](std::size_t store) { return install(certificate, kUserStores.at(store)); };
    }
    ui::backend().viewCertificate(request);
    return changed;
}

BOOL viewCertificateW(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW info, BOOL* propertiesChanged) noexcept {
    return view(info, propertiesChanged, [](LPCWSTR title) { return text::toUtf8(title); });
}

BOOL viewCertificateA(PCCRYPTUI_VIEWCERTIFICATE_STRUCTA info, BOOL* propertiesChanged) noexcept {
    return view(info, propertiesChanged, [](LPCSTR title) { return text::ansiToUtf8(title); });
}

}  // namespace platform::cryptui
