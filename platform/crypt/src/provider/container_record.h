// What a software key container holds, and the bytes of its file:
//   "TESKKEYS", version (u32 LE, 1), then records of
//   tag (u8), key spec (u8), length (u32 LE) and the value:
//     1 name        spec 0, the container name in UTF-8 (first, exactly once)
//     2 key pair    flags (u8: 1 exportable) and PKCS #1 RSAPrivateKey DER
//     3 certificate DER, after the key pair of the same spec
// and last the SHA-256 of everything before it. Anything else, or another
// digest, is a damaged container: NTE_KEYSET_ENTRY_BAD.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "rsa_keys.h"

namespace platform::crypt::provider {

using SharedPKey = std::shared_ptr<const EVP_PKEY>;
SharedPKey share(PKey key);

struct StoredKey {
    SharedPKey pair;
    bool exportable = false;
    std::optional<Bytes> certificate;
};

struct ContainerRecord {
    std::u16string name;
    std::map<DWORD, StoredKey> keys;  // by AT_KEYEXCHANGE / AT_SIGNATURE
};

Bytes serialize(const ContainerRecord& record);
ContainerRecord parseContainer(View file);

}  // namespace platform::crypt::provider
