// hashing.cpp: hashes through a given provider or a verify context.
#include "hashing.h"

#include "common/cryptoapi.h"
#include "common/hash_pieces.h"
#include "containers.h"
#include "win32/error.h"

namespace {

bool hashWith(HCRYPTPROV provider, ALG_ID algId, const std::vector<BYTE>& data, std::vector<BYTE>& out) {
    return HashInPieces(provider, data.data(), static_cast<DWORD>(data.size()), algId, out) != 0;
}

}  // namespace

bool TCryptoapi::HashSha1(HCRYPTPROV provider, ALG_ID algId, const std::vector<BYTE>& data, std::vector<BYTE>& out) {
    AcquiredContext context;
    if (!provider) {
        if (!context.Acquire({}, {}, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return Failed();
        provider = context.get();
    }
    return hashWith(provider, algId, data, out) || Failed();
}

bool HashWithProvider(const std::u16string& provider, DWORD type, ALG_ID algId, const std::vector<BYTE>& data,
                      std::vector<BYTE>& out) {
    if (data.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    AcquiredContext context;
    return context.Acquire({}, provider, type, CRYPT_VERIFYCONTEXT) && hashWith(context.get(), algId, data, out);
}
