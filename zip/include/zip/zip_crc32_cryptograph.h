// CZipCrc32Cryptograph: the traditional PKWARE encryption (APPNOTE 6.1), a
// stream cipher of three 32-bit keys behind a 12-byte encryption header.
#pragma once

#include "zip/zip_cryptograph.h"

class CZipCrc32Cryptograph : public CZipCryptograph {
public:
    static constexpr std::uint32_t kHeaderSize = 12;

    bool InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void Decode(char* buffer, std::uint32_t size) override;
    void Encode(char* buffer, std::uint32_t size) override;
    bool CanHandle(int method) const override { return method == encStandard; }

private:
    // The three initial values, then every password byte.
    void InitKeys(const CZipAutoBuffer& password);
    std::uint8_t StreamByte() const noexcept;
    void UpdateKeys(std::uint8_t plain) noexcept;

    std::uint32_t m_keys[3] = {};
};
