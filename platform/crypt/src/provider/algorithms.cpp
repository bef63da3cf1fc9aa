// The algorithm lists of the Microsoft software providers whose names the
// system uses, in the order those providers list them. Ranges and defaults
// follow the providers' documentation: Base has 512-bit RSA defaults and
// exchange keys of at most 1,024 bits and 40-bit RC2/RC4; Strong and
// Enhanced default to 1,024-bit RSA and 128-bit RC2/RC4 and add triple DES;
// the AES provider adds AES and SHA-256/384/512, which is what the SHA-2
// fallbacks of callers look for. Strong, the machine default for type 1 as
// on XP, has no SHA-2.
#include "algorithms.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD kSigning = CRYPT_FLAG_SIGNING;

constexpr AlgorithmInfo kRc2Base{CALG_RC2, 40, 40, 40, 0, "RC2", "RSA Data Security's RC2"};
constexpr AlgorithmInfo kRc4Base{CALG_RC4, 40, 40, 40, 0, "RC4", "RSA Data Security's RC4"};
constexpr AlgorithmInfo kRc2{CALG_RC2, 128, 40, 128, 0, "RC2", "RSA Data Security's RC2"};
constexpr AlgorithmInfo kRc4{CALG_RC4, 128, 40, 128, 0, "RC4", "RSA Data Security's RC4"};
constexpr AlgorithmInfo kDes{CALG_DES, 56, 56, 56, 0, "DES", "Data Encryption Standard (DES)"};
constexpr AlgorithmInfo k3Des112{CALG_3DES_112, 112, 112, 112, 0, "3DES TWO KEY", "Two Key Triple DES"};
constexpr AlgorithmInfo k3Des{CALG_3DES, 168, 168, 168, 0, "3DES", "Three Key Triple DES"};
constexpr AlgorithmInfo kSha1{CALG_SHA1, 160, 160, 160, kSigning, "SHA-1", "Secure Hash Algorithm (SHA-1)"};
constexpr AlgorithmInfo kMd2{CALG_MD2, 128, 128, 128, kSigning, "MD2", "Message Digest 2 (MD2)"};
constexpr AlgorithmInfo kMd4{CALG_MD4, 128, 128, 128, kSigning, "MD4", "Message Digest 4 (MD4)"};
constexpr AlgorithmInfo kMd5{CALG_MD5, 128, 128, 128, kSigning, "MD5", "Message Digest 5 (MD5)"};
constexpr AlgorithmInfo kSsl3ShaMd5{CALG_SSL3_SHAMD5, 288, 288, 288, 0, "SSL3 SHAMD5", "SSL3 SHAMD5"};
constexpr AlgorithmInfo kMac{CALG_MAC, 0, 0, 0, 0, "MAC", "Message Authentication Code"};
constexpr AlgorithmInfo kHmac{CALG_HMAC, 0, 0, 0, 0, "HMAC", "Hugo's MAC (HMAC)"};
constexpr AlgorithmInfo kRsaSignBase{CALG_RSA_SIGN, 512, 384, 16384, kSigning, "RSA_SIGN", "RSA Signature"};
constexpr AlgorithmInfo kRsaKeyxBase{CALG_RSA_KEYX, 512, 384, 1024, kSigning, "RSA_KEYX", "RSA Key Exchange"};
constexpr AlgorithmInfo kRsaSign{CALG_RSA_SIGN, 1024, 384, 16384, kSigning, "RSA_SIGN", "RSA Signature"};
constexpr AlgorithmInfo kRsaKeyx{CALG_RSA_KEYX, 1024, 384, 16384, kSigning, "RSA_KEYX", "RSA Key Exchange"};
constexpr AlgorithmInfo kAes128{CALG_AES_128, 128, 128, 128, 0, "AES 128", "Advanced Encryption Standard (AES)"};
constexpr AlgorithmInfo kAes192{CALG_AES_192, 192, 192, 192, 0, "AES 192", "Advanced Encryption Standard (AES)"};
constexpr AlgorithmInfo kAes256{CALG_AES_256, 256, 256, 256, 0, "AES 256", "Advanced Encryption Standard (AES)"};
constexpr AlgorithmInfo kSha256{CALG_SHA_256, 256, 256, 256, kSigning, "SHA-256", "Secure Hash Algorithm (SHA-256)"};
constexpr AlgorithmInfo kSha384{CALG_SHA_384, 384, 384, 384, kSigning, "SHA-384", "Secure Hash Algorithm (SHA-384)"};
constexpr AlgorithmInfo kSha512{CALG_SHA_512, 512, 512, 512, kSigning, "SHA-512", "Secure Hash Algorithm (SHA-512)"};

constexpr std::array kBase{kRc2Base, kRc4Base,     kDes, kSha1,        kMd2,         kMd4,
                           kMd5,     kSsl3ShaMd5, kMac, kRsaSignBase, kRsaKeyxBase, kHmac};
constexpr std::array kEnhanced{kRc2, kRc4, kDes,        k3Des112, k3Des,    kSha1, kMd2,
                               kMd4, kMd5, kSsl3ShaMd5, kMac,     kRsaSign, kRsaKeyx, kHmac};
constexpr std::array kAes{kRc2,     kRc4,    kDes,    k3Des112,    k3Des,   kSha1,   kSha256, kSha384,
                          kSha512,  kMd2,    kMd4,    kMd5,        kSsl3ShaMd5, kMac, kRsaSign, kRsaKeyx,
                          kHmac,    kAes128, kAes192, kAes256};

struct BuiltIn {
    std::u16string_view name;
    AlgorithmList algorithms;
};

const std::array<BuiltIn, 5> kBuiltIns{{
    {u"Microsoft Base Cryptographic Provider v1.0", kBase},
    {u"Microsoft Enhanced Cryptographic Provider v1.0", kEnhanced},
    {u"Microsoft Strong Cryptographic Provider", kEnhanced},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider", kAes},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", kAes},
}};

}  // namespace

AlgorithmList builtInAlgorithms(std::u16string_view providerName) {
    for (const auto& p : kBuiltIns)
        if (text::equalsNoCase(p.name, providerName)) return p.algorithms;
    return {};
}

std::vector<AlgorithmInfo> cardAlgorithms(DWORD minBits, DWORD maxBits) {
    const DWORD defaultBits = std::max(minBits, std::min<DWORD>(1024, maxBits));
    AlgorithmInfo sign = kRsaSign;
    AlgorithmInfo keyx = kRsaKeyx;
    for (AlgorithmInfo* rsa : {&sign, &keyx}) {
        rsa->defaultBits = defaultBits;
        rsa->minBits = minBits;
        rsa->maxBits = maxBits;
    }
    return {kSha1, kSha256, sign, keyx};
}

const AlgorithmInfo* findAlgorithm(AlgorithmList list, ALG_ID id) {
    for (const auto& a : list)
        if (a.id == id) return &a;
    return nullptr;
}

DWORD keyLengthFor(AlgorithmList list, ALG_ID id, DWORD requestedBits) {
    const AlgorithmInfo* a = findAlgorithm(list, id);
    if (!a) throw WinError(NTE_BAD_ALGID, "the provider has no algorithm " + std::to_string(id));
    if (requestedBits == 0) return a->defaultBits;
    if (requestedBits < a->minBits || requestedBits > a->maxBits || requestedBits % 8 != 0)
        throw WinError(NTE_BAD_FLAGS, "key length " + std::to_string(requestedBits) + " is out of range");
    return requestedBits;
}

}  // namespace platform::crypt::provider
