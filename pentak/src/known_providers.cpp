// known_providers.cpp: the providers the library knows by name and the
// fixed algorithm list of the GPK4000 card provider.
#include "known_providers.h"

#include <algorithm>
#include <cstring>

namespace {

PROV_ENUMALGS_EX algorithm(ALG_ID algId, DWORD defaultLength, DWORD minLength, DWORD maxLength, DWORD protocols,
                           const char* name, const char* longName) {
    PROV_ENUMALGS_EX record{};
    record.aiAlgid = algId;
    record.dwDefaultLen = defaultLength;
    record.dwMinLen = minLength;
    record.dwMaxLen = maxLength;
    record.dwProtocols = protocols;
    record.dwNameLen = static_cast<DWORD>(std::strlen(name) + 1);
    std::memcpy(record.szName, name, record.dwNameLen);
    record.dwLongNameLen = static_cast<DWORD>(std::strlen(longName) + 1);
    std::memcpy(record.szLongName, longName, record.dwLongNameLen);
    return record;
}

}  // namespace

const std::vector<TCryptProviderW>& KnownProviders() {
    static const std::vector<TCryptProviderW> providers = {
        {kGpk4000Csp, PROV_RSA_FULL, {}},
        {u"Microsoft Base Smart Card Crypto Provider", PROV_RSA_FULL, {}},
        {kKavloCspName, PROV_RSA_FULL, {}},
        {u"Vostrel Cryptographic Service Provider", PROV_RSA_FULL, {}},
        {kZintraCspName, PROV_RSA_FULL, {}},
        {kDravikCspName, PROV_RSA_FULL, {}},
        {u"SafeSign Standard RSA and AES Cryptographic Service Provider", PROV_RSA_AES, {}},
        {u"SafeSign Standard Cryptographic Service Provider", PROV_RSA_FULL, {}},
        {u"eToken Base Cryptographic Provider", PROV_RSA_FULL, {}},
        {u"Gemplus GemSAFE Card CSP", PROV_RSA_FULL, {}},
    };
    return providers;
}

const TCryptProviderW* FindKnownProvider(const std::u16string& name) {
    const auto& providers = KnownProviders();
    const auto it = std::find_if(providers.begin(), providers.end(),
                                 [&](const TCryptProviderW& provider) { return provider.name == name; });
    return it == providers.end() ? nullptr : &*it;
}

const std::vector<PROV_ENUMALGS_EX>& Gpk4000Algorithms() {
    static const std::vector<PROV_ENUMALGS_EX> algorithms = {
        algorithm(CALG_SHA1, 160, 160, 160, CRYPT_FLAG_SIGNING, "SHA-1", "Secure Hash Algorithm (SHA-1)"),
        algorithm(CALG_RSA_SIGN, 1024, 1024, 1024, CRYPT_FLAG_SIGNING, "RSA_SIGN", "RSA Signature"),
        algorithm(CALG_RSA_KEYX, 1024, 1024, 1024, CRYPT_FLAG_SIGNING, "RSA_KEYX", "RSA Key Exchange"),
        algorithm(CALG_RC2, 40, 40, 128, 0, "RC2", "RSA Data Security's RC2"),
        algorithm(CALG_RC4, 40, 40, 128, 0, "RC4", "RSA Data Security's RC4"),
        algorithm(CALG_MD5, 128, 128, 128, CRYPT_FLAG_SIGNING, "MD5", "Message Digest 5 (MD5)"),
        algorithm(CALG_SSL3_SHAMD5, 288, 288, 288, CRYPT_FLAG_SIGNING, "SSL3_SHAMD5", "Client Authentication (SSL3)"),
        algorithm(CALG_DES, 56, 56, 56, 0, "DES", "Data Encryption Standard (DES)"),
        algorithm(CALG_3DES, 168, 112, 168, 0, "3DES", "Three Key Triple DES"),
    };
    return algorithms;
}
