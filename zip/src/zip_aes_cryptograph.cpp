// WinZip AES encryption (AE-1/AE-2) over the library's own AES, HMAC-SHA1
// and PBKDF2.
#include "zip/zip_aes_cryptograph.h"

#include <string.h>  // explicit_bzero

#include "byte_order.h"
#include "storage_output.h"
#include "zip_aes_counter_mode.h"
#include "zip_hmac_sha1.h"
#include "zip_pbkdf2.h"
#include "zip_random.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"
#include "zip/zip_storage.h"

namespace {

constexpr unsigned kIterations = 1000;

// Compares without stopping at the first difference, so the time taken
// tells nothing of where the codes differ.
bool sameBytes(const unsigned char* a, const char* b, std::uint32_t size) {
    unsigned difference = 0;
    for (std::uint32_t i = 0; i < size; ++i) difference |= a[i] ^ static_cast<unsigned char>(b[i]);
    return difference == 0;
}

}  // namespace

// Made from the derived bytes: the AES key, then the HMAC key, each of the key length.
struct CZipAesCryptograph::Keys {
    Keys(const unsigned char* derived, std::uint32_t keyLength)
        : cipher(derived, keyLength), mac(derived + keyLength, keyLength) {}

    zipcrypto::AesCounterMode cipher;
    zipcrypto::HmacSha1 mac;  // over the encrypted data
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
    zipcrypto::pbkdf2HmacSha1(password.GetBuffer(), password.GetSize(), salt, SaltLength(m_iStrength), kIterations,
                              derived, 2 * keyLength + kVerifierSize);
    m_keys = std::make_unique<Keys>(derived, keyLength);
    const std::uint16_t verifier = zipbytes::get16(reinterpret_cast<const char*>(derived + 2 * keyLength));
    explicit_bzero(derived, sizeof derived);
    return verifier;
}

void CZipAesCryptograph::Crypt(char* buffer, std::uint32_t size) {
    m_keys->cipher.crypt(reinterpret_cast<unsigned char*>(buffer), size);
}

void CZipAesCryptograph::Encode(char* buffer, std::uint32_t size) {
    Crypt(buffer, size);
    m_keys->mac.update(buffer, size);
}

void CZipAesCryptograph::Decode(char* buffer, std::uint32_t size) {
    m_keys->mac.update(buffer, size);
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

void CZipAesCryptograph::FinishEncode(CZipFileHeader& header, CZipStorage& storage) {
    const zipcrypto::Sha1::Digest code = m_keys->mac.finish();
    writeToStorage(storage, code.data(), kAuthCodeSize);
    header.m_uComprSize += kAuthCodeSize;
}

void CZipAesCryptograph::FinishDecode(CZipFileHeader& /*header*/, CZipStorage& storage) {
    const zipcrypto::Sha1::Digest code = m_keys->mac.finish();
    char stored[kAuthCodeSize];
    storage.Read(stored, kAuthCodeSize, false);
    if (!sameBytes(code.data(), stored, kAuthCodeSize)) storage.ThrowError(CZipException::badAuthCode);
}
