// cert_selection_checks.h: the checks of the selection flags
// (sgCertSelectionFlags), shared by the remembered lists and the selection
// dialog's filter.
#pragma once

#include "common/cert_info.h"
#include "win32/crypt_store.h"

// The certificate is within its validity period by the system's clock now.
bool IsTimeValidNow(const CertInfo& record);

// Whether the certificate, described by record and present as context,
// passes the flags: qualified (8), on a secure device by its statements
// (16), a chain that validates now (2, with 4 also unrevoked), else the
// validity period (1). The chain's issuers are also looked for in the
// context's own store.
bool PassesSelectionFlags(const CertInfo& record, PCCERT_CONTEXT context, DWORD flags);
