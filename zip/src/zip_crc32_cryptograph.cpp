// Traditional PKWARE encryption (APPNOTE 6.1.5 - 6.1.7).
#include "zip/zip_crc32_cryptograph.h"

#include <zlib.h>

#include "storage_output.h"
#include "zip_random.h"
#include "zip/zip_file_header.h"
#include "zip/zip_storage.h"

namespace {

std::uint32_t crcStep(std::uint32_t crc, std::uint8_t c) noexcept {
    static const z_crc_t* const table = get_crc_table();
    return table[(crc ^ c) & 0xFF] ^ (crc >> 8);
}

}  // namespace

void CZipCrc32Cryptograph::InitKeys(const CZipAutoBuffer& password) {
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    for (std::uint32_t i = 0; i < password.GetSize(); ++i) UpdateKeys(static_cast<std::uint8_t>(password.GetBuffer()[i]));
}

std::uint8_t CZipCrc32Cryptograph::StreamByte() const noexcept {
    const std::uint32_t t = (m_keys[2] & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

void CZipCrc32Cryptograph::UpdateKeys(std::uint8_t plain) noexcept {
    m_keys[0] = crcStep(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = crcStep(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
}

void CZipCrc32Cryptograph::Encode(char* buffer, std::uint32_t size) {
    for (std::uint32_t i = 0; i < size; ++i) {
        const auto plain = static_cast<std::uint8_t>(buffer[i]);
        buffer[i] = static_cast<char>(plain ^ StreamByte());
        UpdateKeys(plain);
    }
}

void CZipCrc32Cryptograph::Decode(char* buffer, std::uint32_t size) {
    for (std::uint32_t i = 0; i < size; ++i) {
        const auto plain = static_cast<std::uint8_t>(static_cast<std::uint8_t>(buffer[i]) ^ StreamByte());
        buffer[i] = static_cast<char>(plain);
        UpdateKeys(plain);
    }
}

// Ten random bytes, then the check bytes: the DOS time, as the entry is
// always written with a data descriptor (its CRC is not known yet).
void CZipCrc32Cryptograph::InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) {
    InitKeys(password);
    char block[kHeaderSize];
    ziprandom::fill(block, 10);
    block[10] = static_cast<char>(header.m_uModTime & 0xFF);
    block[11] = static_cast<char>(header.m_uModTime >> 8);
    Encode(block, kHeaderSize);
    writeToStorage(storage, block, kHeaderSize);
    header.m_uComprSize += kHeaderSize;
}

bool CZipCrc32Cryptograph::InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) {
    InitKeys(password);
    char block[kHeaderSize];
    storage.Read(block, kHeaderSize, false);
    Decode(block, kHeaderSize);
    const auto check = static_cast<std::uint8_t>((header.m_uFlag & CZipFileHeader::flagDataDescriptor)
                                                     ? header.m_uModTime >> 8
                                                     : header.m_uCrc32 >> 24);
    return static_cast<std::uint8_t>(block[kHeaderSize - 1]) == check;
}
