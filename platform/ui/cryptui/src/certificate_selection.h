// The certificate selection: the certificates of the display stores that
// the caller's filter admits, in store order, under the columns the caller
// keeps; the one the filter flags is selected at first.
#pragma once

#include "win32/cryptui.h"

namespace platform::cryptui {

PCCERT_CONTEXT selectCertificateW(PCCRYPTUI_SELECTCERTIFICATE_STRUCTW pcsc) noexcept;
PCCERT_CONTEXT selectCertificateA(PCCRYPTUI_SELECTCERTIFICATE_STRUCTA pcsc) noexcept;

}  // namespace platform::cryptui
