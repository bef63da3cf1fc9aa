// Names of certificates as text, through the name functions of crypt_names.h.
#pragma once

#include <string>

#include "win32/crypt_encode.h"

namespace platform::crypt::store {

std::u16string nameToText(const CERT_NAME_BLOB& name, DWORD strType);
std::u16string valueToText(const CERT_RDN_ATTR& attribute);

}  // namespace platform::crypt::store
