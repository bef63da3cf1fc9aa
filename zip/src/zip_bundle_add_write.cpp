// CZipBundle: adding entries from disk files and file objects, with the
// smart rules, the efficiency check and replacement through a temporary
// archive (the new entry is complete before the old one is given up).
#include "platform/clock.h"
#include "progress_run.h"
#include "win_calls.h"
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"
#include "zip/zip_file.h"
#include "zip/zip_mem_file.h"
#include "zip/zip_platform.h"

namespace {

constexpr std::uint32_t kDirectoryAttribute = 0x10;
constexpr std::uint32_t kArchiveAttribute = 0x20;
constexpr ZIP_SIZE_TYPE kSmallFile = 5;

std::int64_t nowSeconds() {
    return static_cast<std::int64_t>((platform::clock::nowFileTime() - platform::clock::kUnixEpochAsFileTime) / 10000000u);
}

// The archive's password, set aside for one entry and restored afterwards.
class PasswordAside {
public:
    explicit PasswordAside(CZipAutoBuffer& password) : m_password(password) {}
    PasswordAside(const PasswordAside&) = delete;
    PasswordAside& operator=(const PasswordAside&) = delete;
    ~PasswordAside() {
        if (m_aside) m_password = std::move(m_kept);
    }
    void setAside() {
        if (m_aside) return;
        m_kept = std::move(m_password);
        m_password.Free();
        m_aside = true;
    }

private:
    CZipAutoBuffer& m_password;
    CZipAutoBuffer m_kept;
    bool m_aside = false;
};

// A temporary file that is deleted when the add is over.
struct TemporaryPath {
    CZipString path;
    ~TemporaryPath() {
        if (!path.empty()) zipwin::deleteFile(path.c_str());
    }
};

}  // namespace

bool CZipBundle::AddNewFile(const CZipString& sourcePath, const CZipString& nameInZip, int level, int smartLevel,
                            std::uint32_t bufferSize) {
    CZipAddRequest request(sourcePath, nameInZip);
    request.m_iLevel = level;
    request.m_iSmartLevel = smartLevel;
    request.m_nBufSize = bufferSize;
    return AddNewFile(request);
}

bool CZipBundle::AddNewFile(CZipAbstractFile& source, const CZipString& nameInZip, int level, int smartLevel,
                            std::uint32_t bufferSize) {
    CZipAddRequest request(source, nameInZip);
    request.m_iLevel = level;
    request.m_iSmartLevel = smartLevel;
    request.m_nBufSize = bufferSize;
    return AddNewFile(request);
}

bool CZipBundle::AddNewFile(const CZipAddRequest& given) {
    if (!CanWrite() || m_iFileOpened != entryNone || given.m_nBufSize == 0) return false;
    CZipAddRequest request = given;
    if (request.m_pFile) {
        request.m_szFilePath = request.m_pFile->GetFilePath();
    } else {
        CZipPathComponent::RemoveSeparators(request.m_szFilePath);
        if (request.m_szFilePath.empty()) return false;
    }
    const bool replacing = request.m_uReplaceIndex != ZIP_FILE_INDEX_NOT_FOUND;
    if (replacing && (m_storage.IsSegmented() || !m_centralDir.IsIndexValid(request.m_uReplaceIndex))) return false;

    std::uint32_t attributes = kArchiveAttribute;
    std::int64_t time = nowSeconds();
    if (!request.m_pFile) {
        attributes = zipwin::getFileAttributes(request.m_szFilePath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) RaiseError(CZipException::noSourceAttributes);
        ZipSystem::FileModificationTime(request.m_szFilePath, time);
    }
    const bool directory = (attributes & kDirectoryAttribute) != 0;
    CZipFileHeader header;
    header.SetSystemCompatibility(m_iArchiveSystCompatib);
    header.SetLocalAttributes(attributes);
    header.SetFileName(request.m_szFileNameInZip.empty()
                           ? PredictFileNameInZip(request.m_szFilePath, request.m_bFullPath,
                                                  directory ? pathDirectory : pathFile)
                           : request.m_szFileNameInZip);
    header.SetModificationTime(time);

    PasswordAside aside(m_pszPassword);
    const int smart = request.m_iSmartLevel;
    if (directory && !replacing) {
        if (smart & CZipAddRequest::smartNoPasswordForDirectories) aside.setAside();
        return AddDirectory(header, request);
    }
    int level = m_uCompressionMethod == CZipCompressor::methodStore ? 0 : request.m_iLevel;
    bool checkEfficiency = (smart & CZipAddRequest::smartCheckEfficiency) && level != 0;
    const bool emptyRule = (smart & CZipAddRequest::smartNoPasswordForEmpty) && m_pszPassword.GetSize() > 0;
    const bool smallRule = (smart & CZipAddRequest::smartStoreSmall) && level != 0;
    const bool temporary = (checkEfficiency && m_storage.IsSegmented()) || replacing;
    ZIP_SIZE_TYPE size = 0;
    if (emptyRule || smallRule || checkEfficiency || temporary) {
        const bool known = request.m_pFile ? (size = request.m_pFile->GetLength(), true)
                                           : ZipSystem::GetFileLength(request.m_szFilePath, size);
        if (!known) {
            checkEfficiency = false;
        } else {
            if (emptyRule && size == 0) aside.setAside();
            if (smallRule && size < kSmallFile) level = 0;
        }
    }
    if (temporary) {
        CZipAddRequest inner = request;
        inner.m_iLevel = level;
        inner.m_iSmartLevel = smart & ~CZipAddRequest::smartMemoryTemporary;
        if (!checkEfficiency) inner.m_iSmartLevel &= ~CZipAddRequest::smartCheckEfficiency;
        if (smart & CZipAddRequest::smartMemoryTemporary) return AddThroughTemporary(inner, {});
        CZipString temporaryPath = ZipSystem::MakeTempFileName(nullptr, size);
        if (!temporaryPath.empty()) return AddThroughTemporary(inner, temporaryPath);
        // Without room for a temporary archive a new entry is added directly;
        // a replacement is not made.
        if (replacing) return false;
    }
    return AddDirect(header, request, level, checkEfficiency);
}

bool CZipBundle::AddDirectory(CZipFileHeader& header, const CZipAddRequest& request) {
    const ProgressRun progress(FindCallback(CZipProgressCallback::cbAdd), header.GetFileName(false), request.m_szFilePath);
    progress.SetTotal(0);
    if (!OpenEntryForWriting(header, 0)) return false;
    CloseEntryForWriting(false);
    return true;
}

// The entry is written whole into a temporary archive (the temporary file,
// or memory when no path is given), which makes its own efficiency check;
// only then is it copied into this archive, in the place of the entry it
// replaces.
bool CZipBundle::AddThroughTemporary(const CZipAddRequest& request, const CZipString& temporaryPath) {
    const TemporaryPath removal{temporaryPath};
    CZipMemFile memory;
    CZipBundle temporary;
    try {
        if (temporaryPath.empty())
            temporary.Open(memory, zipCreate);
        else
            temporary.Open(temporaryPath, zipCreate);
    } catch (const CZipException&) {
        return false;
    }
    temporary.m_szRootPath = m_szRootPath;
    temporary.m_pszPassword = m_pszPassword;
    temporary.m_iEncryptionMethod = m_iEncryptionMethod;
    temporary.m_iArchiveSystCompatib = m_iArchiveSystCompatib;
    temporary.m_uCompressionMethod = m_uCompressionMethod;
    temporary.m_compressorsOptions.clear();
    for (const auto& [type, options] : m_compressorsOptions) temporary.m_compressorsOptions[type] = options->Clone();
    temporary.SetCallback(FindCallback(CZipProgressCallback::cbAdd), CZipProgressCallback::cbAdd);
    CZipAddRequest inner = request;
    inner.m_uReplaceIndex = ZIP_FILE_INDEX_NOT_FOUND;
    bool done = false;
    try {
        if (temporary.AddNewFile(inner)) {
            ZIP_INDEX_TYPE replace = request.m_uReplaceIndex;
            if (replace != ZIP_FILE_INDEX_NOT_FOUND && replace + 1 == GetCount()) {
                RemoveLastEntry(true);
                replace = ZIP_FILE_INDEX_NOT_FOUND;
            }
            done = CopyEntryFrom(temporary, 0, replace, FindCallback(CZipProgressCallback::cbAddFromTemporary));
        }
    } catch (...) {
        temporary.Close(closeAfterException);
        throw;
    }
    temporary.Close(done ? closeNormal : closeAfterException);
    return done;
}

bool CZipBundle::AddDirect(CZipFileHeader& header, const CZipAddRequest& request, int level, bool checkEfficiency) {
    CZipFile file;
    CZipAbstractFile* source = request.m_pFile;
    if (source) {
        source->SeekToBegin();
    } else {
        if (!file.Open(request.m_szFilePath, CZipFile::modeRead | CZipFile::shareDenyWrite, false)) return false;
        source = &file;
    }
    const ZIP_SIZE_TYPE size = source->GetLength();
    header.m_uLocalUncomprSize = size;
    if (level == 0) header.m_uLocalComprSize = size;
    if (!OpenEntryForWriting(header, level)) return false;
    const int kind = (request.m_iSmartLevel & CZipAddRequest::smartInternalStore) ? CZipProgressCallback::cbAddStore
                                                                                  : CZipProgressCallback::cbAdd;
    {
        const ProgressRun progress(FindCallback(kind), header.GetFileName(false), request.m_szFilePath);
        progress.SetTotal(size);
        try {
            CZipAutoBuffer buffer(request.m_nBufSize);
            bool stopped = false;
            bool fullChunk = false;
            // Read until the source gives nothing more: a file object may
            // return short reads before its end.
            for (;;) {
                const std::uint32_t read = source->Read(buffer.GetBuffer(), request.m_nBufSize);
                if (read == 0) break;
                WriteEntryData(buffer.GetBuffer(), read);
                if (!progress.Step(read)) {
                    stopped = true;
                    fullChunk = read == request.m_nBufSize;
                    break;
                }
            }
            if (!stopped && !progress.Last()) stopped = true;
            if (stopped) {
                char probe = 0;
                if (fullChunk && source->Read(&probe, 1) > 0) {
                    CloseEntryForWriting(true);
                    RaiseError(m_storage.IsSegmented() ? CZipException::stoppedIncomplete : CZipException::stoppedSafely);
                }
                CloseEntryForWriting(false);
                RaiseError(CZipException::stoppedSafely);
            }
            CloseEntryForWriting(false);
        } catch (...) {
            CloseEntryForWriting(true);
            throw;
        }
    }
    if (!checkEfficiency) return true;
    file.Close();
    if (!RemoveLastEntry(false)) return true;
    CZipAddRequest stored = request;
    stored.m_iLevel = 0;
    stored.m_iSmartLevel = CZipAddRequest::smartInternalStore;
    return AddNewFile(stored);
}
