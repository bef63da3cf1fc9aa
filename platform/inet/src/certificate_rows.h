// How a certificate is shown in a list to choose from: the columns and one
// row of texts (UTF-8) per certificate.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_types.h"

namespace platform::inet {

// "Issued to", "Issued by", "Expires", "Intended purposes", in Czech.
std::vector<std::string> certificateColumns();
// The subject's and the issuer's simple display names, the last day of
// validity as the user's short date, and the enhanced key usages by name
// ("<Všechny>" when the certificate does not limit them).
std::vector<std::string> certificateRow(PCCERT_CONTEXT certificate);

}  // namespace platform::inet
