// The parameters of an RSASSA-PSS signature algorithm (RFC 4055 section
// 3.1), read with the layer's DER reader: the hash of the message, the hash
// of the mask generation function and the salt's length.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/bytes.h"

namespace platform::crypt::store {

struct PssParameters {
    std::string hashOid;
    std::string mgf1HashOid;
    std::int32_t saltLength = 20;
};

// The DER RSASSA-PSS-params, fields left out taking their defaults (SHA-1,
// MGF1 with SHA-1, 20 bytes of salt). Nothing when they are absent or do
// not decode, when a hash has parameters other than NULL, when the mask
// generation function is not MGF1, the salt length is negative or the
// trailer field is not 1.
std::optional<PssParameters> pssParametersOf(View parameters);

}  // namespace platform::crypt::store
