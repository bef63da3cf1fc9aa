// C++ form of CertGetNameStringW for code inside the layer and the system.
#pragma once

#include <string>

#include "win32/crypt_types.h"

namespace platform::crypt {

// The certificate's name of that CERT_NAME_* type (typePara as the call
// takes it), of the subject or, with CERT_NAME_ISSUER_FLAG, the issuer;
// empty when it has none.
std::u16string certificateName(PCCERT_CONTEXT certificate, DWORD type, DWORD flags = 0, void* typePara = nullptr);

}  // namespace platform::crypt
