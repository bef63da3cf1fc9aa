// CZipBundle: extracting entries into a caller's file object or into files
// on disk. Nothing unverified is left behind: a file object is cut back to
// its length before the call when the data do not verify, and a disk file
// is written under a temporary name beside its target and moved into place
// only once its CRC-32 (and AES authentication code) have been checked.
#include <string_view>

#include "progress_run.h"
#include "win_calls.h"
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"
#include "zip/zip_file.h"
#include "zip/zip_path_component.h"
#include "zip/zip_platform.h"

// The layer's calls in the form for the build's character type.
namespace zipextract {
inline BOOL setFileAttributes(const char* path, DWORD attributes) noexcept { return SetFileAttributesA(path, attributes); }
inline BOOL setFileAttributes(const char16_t* path, DWORD attributes) noexcept { return SetFileAttributesW(path, attributes); }
inline BOOL moveFileReplacing(const char* from, const char* to) noexcept {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
}
inline BOOL moveFileReplacing(const char16_t* from, const char16_t* to) noexcept {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING);
}
}  // namespace zipextract

using zipextract::moveFileReplacing;
using zipextract::setFileAttributes;

namespace {

// A relative path that stays inside the folder it is appended to: no
// drive, no prefix, no leading separator and no "." or ".." component.
bool staysInside(const CZipString& piece) {
    if (piece.empty() || CZipPathComponent::IsSeparator(piece.front())) return false;
    const CZipPathComponent split(piece);
    if (!split.GetFileDrive().empty() || !split.GetPrefix().empty()) return false;
    std::size_t start = 0;
    while (start <= piece.size()) {
        std::size_t end = start;
        while (end < piece.size() && !CZipPathComponent::IsSeparator(piece[end])) ++end;
        const CZipString::View part(piece.data() + start, end - start);
        if (part == ZIPTEXT(".") || part == ZIPTEXT("..")) return false;
        start = end + 1;
    }
    return true;
}

// Unix hosts keep the file type in the high half of the external attributes.
bool isSymbolicLink(const CZipFileHeader& header) {
    constexpr std::uint32_t typeMask = 0170000;
    constexpr std::uint32_t link = 0120000;
    return header.GetSystemCompatibility() == CZipFileHeader::hostUnix && ((header.m_uExternalAttr >> 16) & typeMask) == link;
}

// A temporary file that is deleted unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(CZipString path) : m_path(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!m_path.empty()) zipwin::deleteFile(m_path.c_str());
    }
    const CZipString& path() const noexcept { return m_path; }
    bool moveTo(const CZipString& target) {
        if (!moveFileReplacing(m_path.c_str(), target.c_str())) return false;
        m_path.clear();
        return true;
    }

private:
    CZipString m_path;
};

}  // namespace

int CZipBundle::ExtractOpenEntry(CZipAbstractFile& target, std::uint32_t bufferSize, CZipProgressCallback* callback) {
    CZipAutoBuffer buffer(bufferSize);
    bool stopped = false;
    bool fullChunk = false;
    for (;;) {
        const std::uint32_t read = ReadFile(buffer.GetBuffer(), bufferSize);
        if (read == 0) break;
        target.Write(buffer.GetBuffer(), read);
        if (callback && !callback->StepProgress(read)) {
            stopped = true;
            fullChunk = read == bufferSize;
            break;
        }
    }
    if (!stopped && callback && !callback->LastProgress(0)) stopped = true;
    if (!stopped) return CloseEntryForReading(false);
    char probe = 0;
    if (fullChunk && ReadFile(&probe, 1) > 0) {
        CloseEntryForReading(true);
        RaiseError(CZipException::stoppedIncomplete);
    }
    RaiseError(CloseEntryForReading(false) == readOk ? CZipException::stoppedSafely : CZipException::stoppedIncomplete);
}

bool CZipBundle::ExtractFile(ZIP_INDEX_TYPE index, CZipAbstractFile& target, bool rewind, std::uint32_t bufferSize) {
    if (bufferSize == 0 || IsClosed() || !m_centralDir.IsIndexValid(index)) return false;
    CZipFileHeader& header = *m_centralDir[index];
    const ProgressRun progress(FindCallback(CZipProgressCallback::cbExtract), header.GetFileName(false), {});
    if (header.IsDirectory() || !OpenEntryForReading(index)) return false;
    progress.SetTotal(header.m_uUncomprSize);
    const ZIP_FILE_USIZE start = target.GetPosition();
    const ZIP_FILE_USIZE startLength = target.GetLength();
    auto restore = [&](bool verified) {
        if (!verified) target.SetLength(startLength);
        if (rewind || !verified) target.SeekUnsigned(start);
    };
    int result = readNotOpen;
    try {
        result = ExtractOpenEntry(target, bufferSize, progress.get());
    } catch (const CZipException& e) {
        CloseEntryForReading(true);
        restore(e.GetCode() == CZipException::stoppedSafely);
        throw;
    } catch (...) {
        CloseEntryForReading(true);
        restore(false);
        throw;
    }
    restore(result == readOk);
    return result == readOk;
}

// A stop through the callback after the entry was completed and verified
// (107) still puts the file in place; the codes thrown carry the target path.
bool CZipBundle::ExtractFile(ZIP_INDEX_TYPE index, const CZipString& folder, bool fullPath, const ZIPCHAR* newName,
                             std::uint32_t bufferSize) {
    if (bufferSize == 0 || IsClosed() || !m_centralDir.IsIndexValid(index)) return false;
    CZipFileHeader& header = *m_centralDir[index];
    const CZipString name = header.GetFileName(false);
    if (isSymbolicLink(header) || !staysInside(ExtractedPiece(name, fullPath, newName))) return false;
    const CZipString targetPath = PredictExtractedFileName(name, folder, fullPath, newName);
    const ProgressRun progress(FindCallback(CZipProgressCallback::cbExtract), name, targetPath);
    if (header.IsDirectory()) {
        progress.SetTotal(0);
        if (!ZipSystem::ForceDirectory(targetPath)) return false;
        setFileAttributes(targetPath.c_str(), header.GetLocalAttributes());
        return true;
    }
    if (!OpenEntryForReading(index)) return false;
    progress.SetTotal(header.m_uUncomprSize);
    const CZipString targetFolder = CZipPathComponent(targetPath).GetFilePath();
    auto placeFile = [&](TemporaryFile& temporary) {
        if (!temporary.moveTo(targetPath)) CZipException::Throw(CZipException::generic, targetPath);
        return ZipSystem::SetFileModificationTime(targetPath, header.GetModificationTime()) &&
               setFileAttributes(targetPath.c_str(), header.GetLocalAttributes());
    };
    try {
        if (!targetFolder.empty()) ZipSystem::ForceDirectory(targetFolder);
        TemporaryFile temporary(ZipSystem::MakeTempFileName(targetFolder.empty() ? ZIPTEXT(".") : targetFolder.c_str(), 0));
        if (temporary.path().empty()) CZipException::Throw(CZipException::generic, targetPath);
        CZipFile file;
        file.Open(temporary.path(), CZipFile::modeCreate | CZipFile::shareDenyWrite | CZipFile::modeWrite, true);
        int result = readNotOpen;
        try {
            result = ExtractOpenEntry(file, bufferSize, progress.get());
        } catch (const CZipException& e) {
            const int code = e.GetCode();
            if (code != CZipException::stoppedSafely && code != CZipException::stoppedIncomplete) throw;
            file.Close();
            if (code == CZipException::stoppedSafely) placeFile(temporary);
            CZipException::Throw(code, targetPath);
        }
        file.Close();
        return result == readOk && placeFile(temporary);
    } catch (...) {
        CloseEntryForReading(true);
        throw;
    }
}
