// The certificate view: the certificate's summary, fields and extensions,
// its certification path unless hidden, and the actions the flags leave:
// changing its friendly name, installing it into one of the user's stores.
#pragma once

#include <string>
#include <vector>

#include "win32/cryptui.h"

namespace platform::cryptui {

struct ViewOptions {
    std::string title;  // empty: "Certifikát"
    DWORD flags = 0;    // CRYPTUI_HIDE_HIERARCHYPAGE, _DISABLE_EDITPROPERTIES, _DISABLE_ADDTOSTORE
    std::vector<HCERTSTORE> stores;  // further issuers for the path
};

// Returns when the view is closed: whether the friendly name was changed.
// Throws WinError when the view cannot be shown.
bool showCertificate(PCCERT_CONTEXT certificate, const ViewOptions& options);

BOOL viewCertificateW(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW info, BOOL* propertiesChanged) noexcept;
BOOL viewCertificateA(PCCRYPTUI_VIEWCERTIFICATE_STRUCTA info, BOOL* propertiesChanged) noexcept;

}  // namespace platform::cryptui
