// CZipCryptograph: the layer between an entry's compressor and the storage
// that encrypts what is written and decrypts what is read, in place, and
// writes or checks what precedes and follows the entry's data.
#pragma once

#include <cstdint>
#include <memory>

#include "zip/zip_auto_buffer.h"

class CZipFileHeader;
class CZipStorage;

class CZipCryptograph {
public:
    // The encryption methods an entry can carry (CZipFileHeader::m_uEncryptionMethod).
    enum EncryptionMethod : int {
        encStandard = 0,  // traditional PKWARE encryption
        encWinZipAes128 = 1,
        encWinZipAes192 = 2,
        encWinZipAes256 = 3,
        encNone = 0xFF,
    };

    // The cryptograph for the method: none for encNone, AES for 1 to 3,
    // traditional encryption for anything else.
    static std::unique_ptr<CZipCryptograph> CreateCryptograph(int method);

    virtual ~CZipCryptograph() = default;

    // Reads and checks what precedes the data; false: the password does not fit.
    virtual bool InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) = 0;
    // Writes what precedes the data and counts it in the header's compressed size.
    virtual void InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) = 0;
    virtual void Decode(char* buffer, std::uint32_t size) = 0;
    virtual void Encode(char* buffer, std::uint32_t size) = 0;
    // After the last block: checks or writes what follows the data.
    virtual void FinishDecode(CZipFileHeader& /*header*/, CZipStorage& /*storage*/) {}
    virtual void FinishEncode(CZipFileHeader& /*header*/, CZipStorage& /*storage*/) {}
    virtual bool CanHandle(int /*method*/) const { return false; }
};
