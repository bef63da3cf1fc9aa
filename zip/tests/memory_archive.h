// A new archive in memory: its storage and central directory, and its bytes.
#pragma once

#include <string>

#include "zip/zip_central_dir.h"
#include "zip/zip_mem_file.h"
#include "zip/zip_storage.h"

namespace ziptest {

class MemoryArchive {
public:
    MemoryArchive() { m_storage.Open(m_file, CZipStorage::zipCreate); }
    std::string bytes() {
        m_storage.Flush();
        const auto length = static_cast<std::size_t>(m_file.GetLength());
        std::string content(length, '\0');
        const auto position = m_file.GetPosition();
        m_file.SeekToBegin();
        m_file.Read(content.data(), static_cast<std::uint32_t>(length));
        m_file.Seek(static_cast<ZIP_FILE_SIZE>(position), CZipAbstractFile::begin);
        return content;
    }

    CZipMemFile m_file;
    CZipStorage m_storage;
    CZipCentralDir m_dir{m_storage};
};

}  // namespace ziptest
