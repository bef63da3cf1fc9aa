// WinZip AES encryption (AE-1/AE-2) over OpenSSL's AES, HMAC-SHA1 and
// PBKDF2. The counter of WinZip's counter mode is little-endian over the
// block's first 8 bytes, which no standard CTR mode produces, so the key
// stream is made by encrypting counter blocks in ECB mode, many at a time.
#include "zip/zip_aes_cryptograph.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>

#include "byte_order.h"
#include "storage_output.h"
#include "zip_random.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"
#include "zip/zip_storage.h"

namespace {

template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* p) const noexcept { Free(p); }
};
template <class T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;
using CipherCtx = Owned<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using MacCtx = Owned<EVP_MAC_CTX, EVP_MAC_CTX_free>;
using Mac = Owned<EVP_MAC, EVP_MAC_free>;

constexpr int kIterations = 1000;
constexpr std::uint32_t kBlock = 16;
constexpr std::uint32_t kStreamBlocks = 256;

[[noreturn]] void setUpFailed() { CZipException::Throw(CZipException::generic); }

EVP_MAC* hmac() {
    static const Mac mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (!mac) setUpFailed();
    return mac.get();
}

const EVP_CIPHER* ecbCipher(std::uint32_t keyLength) {
    switch (keyLength) {
    case 16: return EVP_aes_128_ecb();
    case 24: return EVP_aes_192_ecb();
    default: return EVP_aes_256_ecb();
    }
}

}  // namespace

struct CZipAesCryptograph::Keys {
    CipherCtx cipher{EVP_CIPHER_CTX_new()};
    MacCtx mac{EVP_MAC_CTX_new(hmac())};
    std::uint64_t counter = 0;
    unsigned char stream[kBlock * kStreamBlocks] = {};
    std::uint32_t position = sizeof stream;  // the next key-stream byte; at the end a refill is due

    void refill() {
        unsigned char blocks[sizeof stream] = {};
        for (std::uint32_t i = 0; i < kStreamBlocks; ++i)
            zipbytes::put64(reinterpret_cast<char*>(blocks + i * kBlock), ++counter);
        int produced = 0;
        if (EVP_EncryptUpdate(cipher.get(), stream, &produced, blocks, sizeof blocks) != 1 ||
            produced != static_cast<int>(sizeof stream))
            setUpFailed();
        position = 0;
    }
};

CZipAesCryptograph::CZipAesCryptograph(int strength) : m_iStrength(strength) { KeyLength(strength); }

CZipAesCryptograph::~CZipAesCryptograph() = default;

std::uint32_t CZipAesCryptograph::KeyLength(int strength) {
    switch (strength) {
    case encWinZipAes128: return 16;
    case encWinZipAes192: return 24;
    case encWinZipAes256: return 32;
    default: CZipException::Throw(CZipException::generic);
    }
}

std::uint16_t CZipAesCryptograph::DeriveKeys(const CZipAutoBuffer& password, const unsigned char* salt) {
    const std::uint32_t keyLength = KeyLength(m_iStrength);
    unsigned char derived[2 * 32 + kVerifierSize];
    const std::uint32_t derivedLength = 2 * keyLength + kVerifierSize;
    if (PKCS5_PBKDF2_HMAC_SHA1(password.GetBuffer(), static_cast<int>(password.GetSize()), salt,
                               static_cast<int>(SaltLength(m_iStrength)), kIterations, static_cast<int>(derivedLength),
                               derived) != 1)
        setUpFailed();
    m_keys = std::make_unique<Keys>();
    if (!m_keys->cipher || !m_keys->mac) setUpFailed();
    if (EVP_EncryptInit_ex(m_keys->cipher.get(), ecbCipher(keyLength), nullptr, derived, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(m_keys->cipher.get(), 0) != 1)
        setUpFailed();
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(m_keys->mac.get(), derived + keyLength, keyLength, params) != 1) setUpFailed();
    const std::uint16_t verifier = zipbytes::get16(reinterpret_cast<const char*>(derived + 2 * keyLength));
    OPENSSL_cleanse(derived, sizeof derived);
    return verifier;
}

void CZipAesCryptograph::Crypt(char* buffer, std::uint32_t size) {
    Keys& keys = *m_keys;
    while (size > 0) {
        if (keys.position == sizeof keys.stream) keys.refill();
        const auto piece = std::min<std::uint32_t>(size, sizeof keys.stream - keys.position);
        const unsigned char* stream = keys.stream + keys.position;
        for (std::uint32_t i = 0; i < piece; ++i) buffer[i] = static_cast<char>(buffer[i] ^ stream[i]);
        keys.position += piece;
        buffer += piece;
        size -= piece;
    }
}

void CZipAesCryptograph::Encode(char* buffer, std::uint32_t size) {
    Crypt(buffer, size);
    if (EVP_MAC_update(m_keys->mac.get(), reinterpret_cast<unsigned char*>(buffer), size) != 1) setUpFailed();
}

void CZipAesCryptograph::Decode(char* buffer, std::uint32_t size) {
    if (EVP_MAC_update(m_keys->mac.get(), reinterpret_cast<unsigned char*>(buffer), size) != 1) setUpFailed();
    Crypt(buffer, size);
}

void CZipAesCryptograph::InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) {
    unsigned char salt[16];
    const std::uint32_t saltLength = SaltLength(m_iStrength);
    ziprandom::fill(salt, saltLength);
    writeToStorage(storage, salt, saltLength);
    char verifier[kVerifierSize];
    zipbytes::put16(verifier, DeriveKeys(password, salt));
    writeToStorage(storage, verifier, kVerifierSize);
    header.m_uComprSize += saltLength + kVerifierSize;
}

bool CZipAesCryptograph::InitDecode(const CZipAutoBuffer& password, CZipFileHeader& /*header*/, CZipStorage& storage) {
    unsigned char salt[16];
    storage.Read(salt, SaltLength(m_iStrength), false);
    const std::uint16_t verifier = DeriveKeys(password, salt);
    char stored[kVerifierSize];
    storage.Read(stored, kVerifierSize, false);
    return zipbytes::get16(stored) == verifier;
}

namespace {

void authenticationCode(EVP_MAC_CTX* mac, unsigned char (&code)[EVP_MAX_MD_SIZE]) {
    std::size_t length = 0;
    if (EVP_MAC_final(mac, code, &length, sizeof code) != 1 || length < CZipAesCryptograph::kAuthCodeSize)
        setUpFailed();
}

}  // namespace

void CZipAesCryptograph::FinishEncode(CZipFileHeader& header, CZipStorage& storage) {
    unsigned char code[EVP_MAX_MD_SIZE];
    authenticationCode(m_keys->mac.get(), code);
    writeToStorage(storage, code, kAuthCodeSize);
    header.m_uComprSize += kAuthCodeSize;
}

void CZipAesCryptograph::FinishDecode(CZipFileHeader& /*header*/, CZipStorage& storage) {
    unsigned char code[EVP_MAX_MD_SIZE];
    authenticationCode(m_keys->mac.get(), code);
    char stored[kAuthCodeSize];
    storage.Read(stored, kAuthCodeSize, false);
    if (CRYPTO_memcmp(code, stored, kAuthCodeSize) != 0) storage.ThrowError(CZipException::badAuthCode);
}
