// The extra field of an entry: an ordered list of records, each a 16-bit
// header ID, a 16-bit size and data (PKWARE APPNOTE 4.5).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zip/zip_auto_buffer.h"

class CZipStorage;

class CZipExtraRecord {
public:
    explicit CZipExtraRecord(std::uint16_t headerId = 0) : m_uHeaderID(headerId) {}

    std::uint16_t GetHeaderID() const noexcept { return m_uHeaderID; }
    // Data bytes plus the 4 bytes of ID and size (2 without the size field).
    std::uint32_t GetTotalSize() const noexcept { return m_data.GetSize() + (m_bHasSize ? 4 : 2); }

    CZipAutoBuffer m_data;
    bool m_bHasSize = true;

private:
    std::uint16_t m_uHeaderID;
};

class CZipExtraRecordList {
public:
    // The records this library fills in itself from the header's fields.
    enum HeaderId : std::uint16_t {
        zip64 = 0x0001,
        aes = 0x9901,
        unicodePath = 0x7075,
        unicodeComment = 0x6375,
        internalZl = 0x5A4C,
    };

    CZipExtraRecordList() = default;
    CZipExtraRecordList(const CZipExtraRecordList& other) { *this = other; }
    CZipExtraRecordList& operator=(const CZipExtraRecordList& other);

    // Appends an empty record with the ID; index is count - 1.
    CZipExtraRecord* AppendRecord(std::uint16_t headerId, std::size_t& index);
    CZipExtraRecord* AppendRecord(std::uint16_t headerId) {
        std::size_t index = 0;
        return AppendRecord(headerId, index);
    }
    // The first record with the ID and its index, or null.
    CZipExtraRecord* FindRecord(std::uint16_t headerId, std::size_t& index) const;
    CZipExtraRecord* FindRecord(std::uint16_t headerId) const {
        std::size_t index = 0;
        return FindRecord(headerId, index);
    }
    void RemoveAt(std::size_t index) { m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index)); }
    void RemoveAll() noexcept { m_records.clear(); }
    std::size_t GetCount() const noexcept { return m_records.size(); }
    CZipExtraRecord* GetAt(std::size_t index) const { return m_records.at(index).get(); }

    // Removes every record with the ID.
    void Remove(std::uint16_t headerId);
    // Before a central header is written and after it is read: all five
    // internal records; around a local header: AES and the Unicode records.
    void RemoveInternalHeaders();
    void RemoveInternalLocalHeaders();

    // Parses a field of size bytes read from the storage; false when a record
    // runs past the field's end. Up to 3 zero bytes of padding may follow the
    // last record.
    bool Read(CZipStorage& storage, std::uint16_t size);
    // Parses the field from bytes already read.
    bool Parse(const char* data, std::uint32_t size);
    // Writes every record (ID, size, data) to buffer, TotalSize() bytes.
    void Write(char* buffer) const;
    std::uint32_t TotalSize() const noexcept;

private:
    std::vector<std::unique_ptr<CZipExtraRecord>> m_records;
};
