// CZipFile: a disk file over a numbered file descriptor with 64-bit
// positions. Failures throw CZipException with errno as the code and the
// path as the file name.
#pragma once

#include "zip/zip_abstract_file.h"

class CZipFile : public CZipAbstractFile {
public:
    // Open flags (a bit set): access in the two low bits, sharing in bits 4-6.
    enum OpenFlags : std::uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };

    CZipFile() = default;
    // Creates (truncating) the file for writing, deny-write (0x1021); throws.
    explicit CZipFile(const CZipString& path);
    CZipFile(const CZipFile&) = delete;
    CZipFile& operator=(const CZipFile&) = delete;
    // Closes an open file; a failing close is not thrown from here (a
    // destructor that throws would end the program during unwinding).
    ~CZipFile() override;

    // Closes first when open. Truncates unless read-only or modeNoTruncate.
    // Linux has no mandatory sharing: the sharing bits are accepted and not
    // enforced.
    bool Open(const CZipString& path, std::uint32_t flags, bool throwOnError) override;
    void Close() override;
    void Flush() override;
    ZIP_FILE_USIZE GetPosition() const override;
    ZIP_FILE_USIZE Seek(ZIP_FILE_SIZE offset, int origin) override;
    ZIP_FILE_USIZE GetLength() const override;
    void SetLength(ZIP_FILE_USIZE length) override;
    CZipString GetFilePath() const override { return m_szFileName; }
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    void Write(const void* buffer, std::uint32_t count) override;
    bool IsClosed() const override { return m_hFile == -1; }

    [[noreturn]] void ThrowFromErrno() const;

protected:
    // Files opened some other way (relative to a folder's descriptor) set
    // these themselves.
    int m_hFile = -1;
    CZipString m_szFileName;
};
