// Extra-field record lists: copying, lookup and their on-disk form.
#include "zip/zip_extra_field.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"
#include "zip/zip_storage.h"

CZipExtraRecordList& CZipExtraRecordList::operator=(const CZipExtraRecordList& other) {
    if (this == &other) return *this;
    RemoveAll();
    for (const auto& record : other.m_records) m_records.push_back(std::make_unique<CZipExtraRecord>(*record));
    return *this;
}

CZipExtraRecord* CZipExtraRecordList::AppendRecord(std::uint16_t headerId, std::size_t& index) {
    m_records.push_back(std::make_unique<CZipExtraRecord>(headerId));
    index = m_records.size() - 1;
    return m_records.back().get();
}

CZipExtraRecord* CZipExtraRecordList::FindRecord(std::uint16_t headerId, std::size_t& index) const {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i]->GetHeaderID() == headerId) {
            index = i;
            return m_records[i].get();
        }
    }
    return nullptr;
}

void CZipExtraRecordList::Remove(std::uint16_t headerId) {
    std::erase_if(m_records, [&](const auto& record) { return record->GetHeaderID() == headerId; });
}

void CZipExtraRecordList::RemoveInternalHeaders() {
    for (std::uint16_t id : {zip64, aes, unicodePath, unicodeComment, internalZl}) Remove(id);
}

void CZipExtraRecordList::RemoveInternalLocalHeaders() {
    for (std::uint16_t id : {aes, unicodePath, unicodeComment}) Remove(id);
}

bool CZipExtraRecordList::Read(CZipStorage& storage, std::uint16_t size) {
    RemoveAll();
    if (size == 0) return true;
    CZipAutoBuffer field(size);
    storage.Read(field.GetBuffer(), size, true);
    return Parse(field.GetBuffer(), size);
}

// Up to 3 zero bytes after the last record are padding (zipalign pads local
// headers so that stored data start at an aligned offset); they are dropped.
bool CZipExtraRecordList::Parse(const char* data, std::uint32_t size) {
    RemoveAll();
    std::uint32_t at = 0;
    while (at < size) {
        if (size - at < 4) return std::all_of(data + at, data + size, [](char c) { return c == 0; });
        const std::uint16_t id = zipbytes::get16(data + at);
        const std::uint16_t length = zipbytes::get16(data + at + 2);
        at += 4;
        if (length > size - at) return false;
        CZipExtraRecord* record = AppendRecord(id);
        if (length > 0) std::memcpy(record->m_data.Resize(length), data + at, length);
        at += length;
    }
    return true;
}

void CZipExtraRecordList::Write(char* buffer) const {
    for (const auto& record : m_records) {
        const std::uint32_t size = record->m_data.GetSize();
        zipbytes::put16(buffer, record->GetHeaderID());
        buffer += 2;
        if (record->m_bHasSize) {
            zipbytes::put16(buffer, static_cast<std::uint16_t>(size));
            buffer += 2;
        }
        if (size > 0) std::memcpy(buffer, record->m_data.GetBuffer(), size);
        buffer += size;
    }
}

std::uint32_t CZipExtraRecordList::TotalSize() const noexcept {
    std::uint32_t total = 0;
    for (const auto& record : m_records) total += record->GetTotalSize();
    return total;
}
