// cert_manager_checks.h: the checks by which remembered certificates are
// loaded and selected.
#pragma once

#include "common/cert_info.h"
#include "win32/types.h"

// The certificate is within its validity period by the system's clock now.
bool IsTimeValidNow(const CertInfo& record);

// The certificate's chain validates as the chain bits of the selection
// flags ask (2 without, 2 and 4 with revocation checking).
bool ChainValidates(const CertInfo& record, DWORD flags);
