// hashing.cpp: hashes computed with the held provider, or with the first
// candidate provider that knows the algorithm when the held one does not
// (older CSPs have no SHA-2).
#include <algorithm>

#include "common/cryptoapi.h"
#include "common/hash_pieces.h"
#include "common/installed_providers.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

// CryptHashData is given at most this much at a time.
constexpr DWORD kHashPieceLimit = 65535;
constexpr char kKavloCsp[] = "KavloCSP";

}  // namespace

DWORD HashInPieces(HCRYPTPROV provider, const BYTE* data, DWORD length, ALG_ID algId, std::vector<BYTE>& out) {
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, algId, 0, 0, &hash)) return 0;
    DWORD result = 1;
    for (DWORD offset = 0; result && offset < length;) {
        const DWORD piece = std::min(kHashPieceLimit, length - offset);
        result = CryptHashData(hash, data + offset, piece, 0) ? 1 : 0;
        offset += piece;
    }
    DWORD hashSize = 0;
    DWORD sizeLength = sizeof hashSize;
    if (result && !CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&hashSize), &sizeLength, 0)) result = 0;
    if (result) {
        std::vector<BYTE> value(hashSize);
        result = CryptGetHashParam(hash, HP_HASHVAL, value.data(), &hashSize, 0) ? 1 : 0;
        if (result) out = std::move(value);
    }
    const DWORD error = GetLastError();
    CryptDestroyHash(hash);
    SetLastError(error);
    return result;
}

DWORD TCryptoapi::FindProviderForAlg(ALG_ID algId, TCryptProvider& out) {
    std::vector<TCryptProvider> candidates;
    if (std::string machineDefault; GetDefaultCspName(machineDefault, PROV_RSA_FULL))
        candidates.emplace_back(machineDefault, PROV_RSA_FULL);
    candidates.emplace_back(MS_ENH_RSA_AES_PROV_XP_A, PROV_RSA_AES);
    candidates.emplace_back(MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES);
    candidates.emplace_back(MS_ENHANCED_PROV_A, PROV_RSA_FULL);
    candidates.emplace_back(kKavloCsp, PROV_RSA_FULL);
    for (const TCryptProvider& candidate : candidates)
        if (ProviderSupportsAlg(candidate, algId)) {
            out = candidate;
            return 1;
        }
    return 0;
}

DWORD TCryptoapi::HashData(const BYTE* data, DWORD length, ALG_ID algId, std::vector<BYTE>& out) {
    if (length == 0) return 0;
    HCRYPTPROV provider = m_provider;
    HCRYPTPROV acquired = 0;
    if (!ProviderSupportsAlg(m_provider, algId)) {
        TCryptProvider candidate;
        HCRYPTPROV handle = 0;
        if (FindProviderForAlg(algId, candidate) && CryptAcquireContextA(&handle, nullptr, candidate.GetName().c_str(),
                                                                         candidate.GetType(), CRYPT_VERIFYCONTEXT))
            provider = acquired = handle;
    }
    const DWORD result = HashInPieces(provider, data, length, algId, out);
    if (acquired) CryptReleaseContext(acquired, 0);
    return result;
}

DWORD TCryptoapi::HashVector(const std::vector<BYTE>& data, ALG_ID algId, std::vector<BYTE>& out) {
    return HashData(data.data(), static_cast<DWORD>(data.size()), algId, out);
}
