// The private key of a signing certificate, as its CERT_KEY_PROV_INFO_PROP_ID
// names it: the container acquired in its provider, and the key spec.
#pragma once

#include "msg/crypt_handles.h"

namespace platform::crypt::simple_msg {

struct SigningKey {
    msg::ProviderHandle provider;
    DWORD keySpec = 0;
};

// CRYPT_E_NO_KEY_PROPERTY when the certificate names no key; the
// provider's error when the container does not open.
SigningKey signingKeyOf(PCCERT_CONTEXT certificate);

}  // namespace platform::crypt::simple_msg
