// The OpenSSL objects the providers hold, each owned from the line that
// receives it; and the one place their failures are turned into codes.
#pragma once

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string_view>

#include "platform/owned.h"
#include "win32/types.h"

namespace platform::crypt::provider {

using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using PKeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using Bignum = Owned<BIGNUM, BN_free>;
using Certificate = Owned<X509, X509_free>;

// Throws WinError(code) naming the call and OpenSSL's error queue, which it empties.
[[noreturn]] void throwOpenSsl(DWORD code, std::string_view call);

}  // namespace platform::crypt::provider
