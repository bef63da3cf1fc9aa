// Raw copies of entries through InsertEntry, the local header, the data and
// FinishNewEntry.
#include "copy_support.h"

#include <functional>
#include <vector>

namespace ziptest {

namespace {

void writeEntry(CZipCentralDir& dir, const CZipFileHeader& pattern, ZIP_SIZE_TYPE size,
                const std::function<std::uint32_t(char*, std::uint32_t)>& read) {
    CZipStorage& storage = dir.GetStorage();
    CZipFileHeader* header = dir.InsertEntry(pattern, ZIP_FILE_INDEX_NOT_FOUND, pattern.LevelFromFlags(), true);
    header->WriteLocalHeader(storage);
    std::vector<char> chunk(65536);
    for (ZIP_SIZE_TYPE done = 0; done < size;) {
        const auto piece = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(chunk.size(), size - done));
        const std::uint32_t got = read(chunk.data(), piece);
        storage.Write(chunk.data(), got, false);
        done += got;
    }
    dir.FinishNewEntry(*header);
    dir.m_pOpenedFile = nullptr;
}

}  // namespace

void copyEntries(OpenedArchive& source, CZipCentralDir& target) {
    for (ZIP_INDEX_TYPE i = 0; i < source.count(); ++i) {
        source.m_dir.OpenEntry(i);
        CZipFileHeader pattern = source.entry(i);
        pattern.m_uLocalComprSize = pattern.m_uComprSize;
        pattern.m_uLocalUncomprSize = pattern.m_uUncomprSize;
        writeEntry(target, pattern, pattern.m_uComprSize,
                   [&](char* buffer, std::uint32_t count) { return source.m_storage.Read(buffer, count, false); });
    }
}

CZipString copyArchive(const std::filesystem::path& source, const std::filesystem::path& target, int mode,
                       ZIP_SIZE_TYPE volumeSize) {
    OpenedArchive from(source);
    CZipStorage storage;
    storage.Open(zipPath(target), mode, volumeSize);
    CZipCentralDir dir(storage);
    dir.GetInfo().m_pszComment = from.m_dir.GetInfo().m_pszComment;
    copyEntries(from, dir);
    dir.Commit();
    return storage.Close(true);
}

CZipFileHeader* addStored(CZipCentralDir& dir, const std::string& name, const std::string& data) {
    CZipFileHeader pattern;
    pattern.m_uMethod = 0;
    pattern.SetFileName(zipText(name));
    pattern.SetModificationTime(1700000000);
    pattern.SetLocalAttributes(0x20);
    pattern.m_uLocalComprSize = pattern.m_uLocalUncomprSize = data.size();
    pattern.m_uCrc32 = crc32Of(data);
    pattern.m_uComprSize = pattern.m_uUncomprSize = data.size();
    std::size_t at = 0;
    writeEntry(dir, pattern, data.size(), [&](char* buffer, std::uint32_t count) {
        data.copy(buffer, count, at);
        at += count;
        return count;
    });
    return dir[dir.GetCount() - 1];
}

}  // namespace ziptest
