// CZipAesCryptograph: WinZip AES encryption (AE-1 and AE-2) with 128, 192
// or 256-bit keys. Keys come from PBKDF2-HMAC-SHA1 (1,000 iterations) over
// a random salt; data are AES in counter mode with a little-endian counter,
// authenticated by HMAC-SHA1 over the ciphertext cut to 10 bytes.
#pragma once

#include <memory>

#include "zip/zip_cryptograph.h"

class CZipAesCryptograph : public CZipCryptograph {
public:
    static constexpr std::uint32_t kVerifierSize = 2;
    static constexpr std::uint32_t kAuthCodeSize = 10;

    // Strength 1, 2 or 3 (AES-128, -192, -256); any other: code 100.
    explicit CZipAesCryptograph(int strength);
    ~CZipAesCryptograph() override;

    bool InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void Decode(char* buffer, std::uint32_t size) override;
    void Encode(char* buffer, std::uint32_t size) override;
    // Code 123 when the authentication code read does not match the data.
    void FinishDecode(CZipFileHeader& header, CZipStorage& storage) override;
    void FinishEncode(CZipFileHeader& header, CZipStorage& storage) override;
    // Only its own strength: the keys differ in length.
    bool CanHandle(int method) const override { return method == m_iStrength; }

    static std::uint32_t KeyLength(int strength);
    static std::uint32_t SaltLength(int strength) { return KeyLength(strength) / 2; }

private:
    struct Keys;
    // Derives the AES and HMAC keys from the password and salt; returns the verifier.
    std::uint16_t DeriveKeys(const CZipAutoBuffer& password, const unsigned char* salt);
    void Crypt(char* buffer, std::uint32_t size);

    int m_iStrength;
    std::unique_ptr<Keys> m_keys;
};
