// The certificate manager: a tab for each of the current user's stores
// with its certificates; the user views one, or removes one after saying
// yes to a warning.
#pragma once

#include "win32/cryptui.h"

namespace platform::cryptui {

BOOL startCertMgr(PCCRYPTUI_CERT_MGR_STRUCT info) noexcept;

}  // namespace platform::cryptui
