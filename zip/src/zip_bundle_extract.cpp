// CZipBundle: extracting entries into a caller's file object or into files
// on disk. Nothing unverified is left behind: a file object is cut back to
// its length before the call when the data do not verify, and a disk file
// is written under a temporary name beside its target and moved into place
// only once its CRC-32 (and AES authentication code) have been checked.
// Disk files are reached below the target folder without following any
// symbolic link that stands there (beneath_folder.h).
#include "beneath_folder.h"
#include "progress_run.h"
#include "win_calls.h"
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"
#include "zip/zip_mem_file.h"
#include "zip/zip_path_component.h"

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
    if (header.IsDirectory()) return false;
    if (dynamic_cast<CZipMemFile*>(&target) && header.m_uUncomprSize > m_uMemoryExtractionLimit)
        RaiseError(CZipException::tooLargeForMemory);
    if (!OpenEntryForExtracting(index)) return false;
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

bool CZipBundle::OpenEntryForExtracting(ZIP_INDEX_TYPE index) {
    if (!CZipCompressor::IsMethodSupported(m_centralDir[index]->m_uMethod)) RaiseError(CZipException::unsupportedMethod);
    return OpenEntryForReading(index);
}

// A stop through the callback after the entry was completed and verified
// (107) still puts the file in place; the codes thrown carry the target path.
bool CZipBundle::ExtractFile(ZIP_INDEX_TYPE index, const CZipString& folder, bool fullPath, const ZIPCHAR* newName,
                             std::uint32_t bufferSize) {
    if (bufferSize == 0 || IsClosed() || !m_centralDir.IsIndexValid(index)) return false;
    CZipFileHeader& header = *m_centralDir[index];
    const CZipString name = header.GetFileName(false);
    const CZipString piece = ExtractedPiece(name, fullPath, newName);
    if (isSymbolicLink(header) || !staysInside(piece)) return false;
    const CZipString targetPath = PredictExtractedFileName(name, folder, fullPath, newName);
    std::vector<std::string> components = zipextract::componentsOf(piece, targetPath);
    const ProgressRun progress(FindCallback(CZipProgressCallback::cbExtract), name, targetPath);
    if (header.IsDirectory()) {
        progress.SetTotal(0);
        const zipextract::BeneathFolder made(folder, components, targetPath);
        return true;
    }
    const std::string fileName = components.back();
    components.pop_back();
    if (!OpenEntryForExtracting(index)) return false;
    progress.SetTotal(header.m_uUncomprSize);
    try {
        const zipextract::BeneathFolder parent(folder, components, targetPath);
        zipextract::TemporaryFile file(parent);
        auto place = [&] {
            file.Finish(header.GetModificationTime(), (header.GetLocalAttributes() & FILE_ATTRIBUTE_READONLY) != 0);
            file.MoveTo(fileName);
        };
        int result = readNotOpen;
        try {
            result = ExtractOpenEntry(file, bufferSize, progress.get());
        } catch (const CZipException& e) {
            const int code = e.GetCode();
            if (code != CZipException::stoppedSafely && code != CZipException::stoppedIncomplete) throw;
            if (code == CZipException::stoppedSafely) place();
            CZipException::Throw(code, targetPath);
        }
        if (result != readOk) return false;
        place();
        return true;
    } catch (...) {
        CloseEntryForReading(true);
        throw;
    }
}
