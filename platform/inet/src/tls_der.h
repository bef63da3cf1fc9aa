// OpenSSL objects made from the DER the stores hold.
#pragma once

#include <openssl/x509.h>

#include "platform/owned.h"
#include "transfer.h"

namespace platform::inet {

using X509Object = Owned<X509, X509_free>;
using X509CrlObject = Owned<X509_CRL, X509_CRL_free>;

// Null for bytes OpenSSL cannot read.
inline X509Object x509Of(const Der& der) {
    const unsigned char* p = der.data();
    return X509Object(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}
inline X509CrlObject crlOf(const Der& der) {
    const unsigned char* p = der.data();
    return X509CrlObject(d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size())));
}

}  // namespace platform::inet
