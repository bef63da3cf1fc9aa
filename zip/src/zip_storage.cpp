// CZipStorage: opening, reading, volume changes and the tail search. The
// writing half is in zip_storage_write.cpp.
#include "zip/zip_storage.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "win_calls.h"
#include "zip/zip_exception.h"
#include "zip/zip_platform.h"

namespace {

constexpr std::string_view kEndSignatureBytes("PK\x05\x06", 4);

}  // namespace

CZipStorage::~CZipStorage() { ClearNamesHandler(); }

void CZipStorage::Open(const CZipString& path, int mode, ZIP_SIZE_TYPE volumeSize) {
    m_pWriteBuffer.Resize(static_cast<std::uint32_t>(m_iWriteBufferSize));
    m_state = stateOpened | stateAutoClose;
    m_pFile = &m_internalfile;
    m_szArchiveName = path;
    if (!(mode & zipCreate)) {
        OpenExisting(path, mode);
    } else if constexpr (kZipWrites) {
        OpenForCreating(mode, volumeSize);
    } else {
        ThrowError(CZipException::generic);  // the reading build writes no archives
    }
}

void CZipStorage::Open(CZipAbstractFile& file, int mode) {
    m_pWriteBuffer.Resize(static_cast<std::uint32_t>(m_iWriteBufferSize));
    m_state = stateOpened;
    m_pFile = &file;
    m_szArchiveName = file.GetFilePath();
    if (!(mode & zipCreate)) {
        m_state |= stateExisting;
        if ((mode & zipOpenReadOnly) == zipOpenReadOnly) m_state |= stateReadOnly;
        return;
    }
    if constexpr (!kZipWrites) ThrowError(CZipException::generic);
    m_uCurrentVolume = 0;
    if ((mode & zipCreateAppend) != zipCreateAppend) file.SetLength(0);
}

void CZipStorage::OpenExisting(const CZipString& path, int mode) {
    m_state |= stateExisting;
    const bool readOnly = (mode & zipOpenReadOnly) == zipOpenReadOnly;
    if (readOnly) m_state |= stateReadOnly;
    OpenVolumeFile(path, CZipFile::modeNoTruncate | CZipFile::shareDenyWrite |
                             (readOnly ? CZipFile::modeRead : CZipFile::modeReadWrite));
    if (mode & zipModeSpan) {
        m_state |= stateSpanned;
    } else if (mode & zipModeBinSplit) {
        m_state |= stateBinarySplit;
        SetUpNamesHandler();
        const ZIP_VOLUME_TYPE number = m_pSplitNamesHandler->GetVolumeNumber(m_szArchiveName);
        if (number == 0) ThrowError(CZipException::badArchive);
        m_uCurrentVolume = number - 1;
        if (m_uCurrentVolume == 0) {  // a one-volume archive is a plain archive
            ClearNamesHandler();
            ClearSegmentation();
        } else {
            m_uSplitData = m_uCurrentVolume;
            CacheBinarySplitSizes();
        }
    } else if (mode & zipModeSplit) {
        m_state |= stateSplit;
    }
}

CZipString CZipStorage::Close(bool write, bool wantLastVolumeName) {
    CZipString name;
    bool closed = false;
    if constexpr (kZipWrites) {
        if (write) {
            Flush();
            if (IsSplit() && !IsExisting()) {
                name = RenameLastFileInSplitArchive();
                closed = true;
            }
        }
    }
    if (wantLastVolumeName && !closed) {
        if (IsSplit() && IsExisting() && m_pSplitNamesHandler) {
            name = m_pSplitNamesHandler->GetVolumeName(m_szArchiveName, GetLastVolume() + 1,
                                                       CZipSplitNamesHandler::flLast | CZipSplitNamesHandler::flExisting);
        } else if (m_pFile) {
            name = m_pFile->GetFilePath();
        }
    }
    if (!closed && m_pFile && !m_pFile->IsClosed()) {
        if (write && !IsReadOnly() && !IsExistingSegmented()) m_pFile->Flush();
        if (Has(stateAutoClose)) m_pFile->Close();
    }
    Reset();
    return name;
}

void CZipStorage::Reset() noexcept {
    m_pWriteBuffer.Free();
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_uCurrentVolSize = 0;
    m_uSplitData = 0;
    m_uCurrentVolume = ZIP_VOLUME_NUMBER_UNSPECIFIED;
    m_state = 0;
    m_pFile = nullptr;
    m_pChangeVolumeFunc = nullptr;
    m_uBytesBeforeZip = 0;
    ClearNamesHandler();
    m_cachedSizes.clear();
}

std::uint32_t CZipStorage::Read(void* buffer, std::uint32_t size, bool atOnce) {
    if (size == 0) return 0;
    char* out = static_cast<char*>(buffer);
    std::uint32_t got = m_pFile->Read(out, size);
    while (got == 0) {
        if (!IsSegmented()) ThrowError(CZipException::badArchive);
        ChangeVolume();
        got = m_pFile->Read(out, size);
    }
    if (got == size) return got;
    if (!IsSegmented() || (atOnce && !IsBinarySplit())) ThrowError(CZipException::badArchive);
    while (got < size) {
        ChangeVolume();
        const std::uint32_t more = m_pFile->Read(out + got, size - got);
        if (more == 0) ThrowError(CZipException::badArchive);
        got += more;
    }
    return got;
}

ZIP_SIZE_TYPE CZipStorage::GetPosition() const {
    ZIP_SIZE_TYPE position = m_pFile->GetPosition() + m_uBytesInWriteBuffer;
    if (m_uCurrentVolume == 0) return position - std::min(position, m_uBytesBeforeZip);
    if (IsBinarySplit()) {
        for (ZIP_VOLUME_TYPE v = 0; v < m_uCurrentVolume && v < m_cachedSizes.size(); ++v)
            position += m_cachedSizes[v];
    }
    return position;
}

void CZipStorage::SeekInArchive(ZIP_VOLUME_TYPE volume, ZIP_SIZE_TYPE offset) {
    if (IsBinarySplit()) {
        ChangeVolume(0);
        SeekInBinary(static_cast<ZIP_FILE_SIZE>(offset + m_uBytesBeforeZip), true);
        return;
    }
    ChangeVolume(volume);
    const ZIP_SIZE_TYPE shift = volume == 0 ? m_uBytesBeforeZip : 0;
    if (offset > m_pFile->GetLength() || offset + shift > m_pFile->GetLength())
        ThrowError(CZipException::badArchive);
    m_pFile->SeekUnsigned(offset + shift);
}

ZIP_SIZE_TYPE CZipStorage::VolumeLength(ZIP_VOLUME_TYPE volume) const {
    if (volume >= m_cachedSizes.size()) ThrowError(CZipException::generic);
    return m_cachedSizes[volume];
}

void CZipStorage::SeekInBinary(ZIP_FILE_SIZE offset, bool fromStart) {
    if (fromStart) m_pFile->SeekToBegin();
    ZIP_FILE_SIZE target = static_cast<ZIP_FILE_SIZE>(m_pFile->GetPosition()) + offset;
    ZIP_VOLUME_TYPE volume = m_uCurrentVolume;
    while (target < 0) {
        if (volume == 0) ThrowError(CZipException::generic);
        target += static_cast<ZIP_FILE_SIZE>(VolumeLength(--volume));
    }
    while (static_cast<ZIP_SIZE_TYPE>(target) > VolumeLength(volume)) {
        target -= static_cast<ZIP_FILE_SIZE>(VolumeLength(volume));
        if (++volume > GetLastVolume()) ThrowError(CZipException::generic);
    }
    ChangeVolume(volume);
    m_pFile->Seek(target, CZipAbstractFile::begin);
}

CZipString CZipStorage::GetSplitVolumeName(bool last) const {
    if (!m_pSplitNamesHandler) ThrowError(CZipException::generic);
    int flags = last ? CZipSplitNamesHandler::flLast : 0;
    if (IsExisting()) flags |= CZipSplitNamesHandler::flExisting;
    return m_pSplitNamesHandler->GetVolumeName(m_szArchiveName, m_uCurrentVolume + 1, flags);
}

void CZipStorage::SetUpNamesHandler() {
    if (!m_pSplitNamesHandler) {
        if (IsBinarySplit())
            m_ownHandler = std::make_unique<CZipBinSplitNamesHandler>();
        else
            m_ownHandler = std::make_unique<CZipRegularSplitNamesHandler>();
        m_pSplitNamesHandler = m_ownHandler.get();
    }
    m_pSplitNamesHandler->Initialize(m_szArchiveName);
}

void CZipStorage::ClearNamesHandler() noexcept {
    m_pSplitNamesHandler = nullptr;
    m_ownHandler.reset();
}

void CZipStorage::CacheBinarySplitSizes() {
    const ZIP_VOLUME_TYPE last = GetLastVolume();
    m_cachedSizes.assign(static_cast<std::size_t>(last) + 1, 0);
    for (ZIP_VOLUME_TYPE v = last + 1; v-- > 0;) {
        ChangeVolume(v);
        m_cachedSizes[v] = m_pFile->GetLength();
    }
    ChangeVolume(last);
}

CZipString CZipStorage::CallCallback(ZIP_SIZE_TYPE progress, int reason, const CZipString& path) {
    if (!m_pChangeVolumeFunc) ThrowError(CZipException::noCallback);
    m_pChangeVolumeFunc->m_szExternalFile = path;
    m_pChangeVolumeFunc->m_uVolumeNeeded = m_uCurrentVolume + 1;
    m_pChangeVolumeFunc->m_iCode = reason;
    if (!m_pChangeVolumeFunc->Callback(progress)) CZipException::Throw(CZipException::aborted, path);
    return m_pChangeVolumeFunc->m_szExternalFile;
}

bool CZipStorage::Exists(const CZipString& path) {
    return zipwin::exists(path.c_str());
}

void CZipStorage::OpenVolumeFile(const CZipString& path, std::uint32_t flags) {
    m_internalfile.Open(path, flags, true);
    m_pFile = &m_internalfile;
}

// Reading never goes past the last volume an existing archive names: a
// damaged header that points there is code 101, not a missing file.
void CZipStorage::ChangeVolume(ZIP_VOLUME_TYPE number) {
    if (number == m_uCurrentVolume || !IsSegmented()) return;
    if (IsExisting() && !IsSpanned() && number > GetLastVolume()) ThrowError(CZipException::badArchive);
    constexpr std::uint32_t readFlags = CZipFile::modeNoTruncate | CZipFile::shareDenyWrite | CZipFile::modeRead;
    m_uCurrentVolume = number;
    CZipString path;
    if (IsSpanned()) {
        path = m_pFile->GetFilePath();
        m_pFile->Close();
        CallCallback(0, CZipSegmCallback::volumeForReading, path);
    } else {
        const bool last = number == GetLastVolume();
        path = GetSplitVolumeName(last);
        if (m_pChangeVolumeFunc) {
            const ZIP_SIZE_TYPE progress = last ? ~ZIP_SIZE_TYPE{0} : 0;
            path = CallCallback(progress, CZipSegmCallback::volumeForReading, path);
            while (!Exists(path)) path = CallCallback(progress, CZipSegmCallback::fileNotFound, path);
        }
        m_pFile->Close();
    }
    OpenVolumeFile(path, readFlags);
}

// The last kSearchDepth bytes are read in locate-buffer chunks (for binary
// split on into earlier volumes) and searched for the signature. The end
// record is the one farthest from the end whose comment reaches exactly to
// the end: a record or a whole archive inside that comment is comment. When
// none reaches the end (bytes appended behind the archive, a record cut
// short), the signature nearest the end is taken.
ZIP_FILE_SIZE CZipStorage::LocateSignature() {
    struct Piece {  // bytes of the tail from one volume
        ZIP_VOLUME_TYPE volume;
        ZIP_FILE_USIZE fileStart;
        std::size_t size;
    };
    const std::size_t chunk = static_cast<std::size_t>(std::max(m_iLocateBufferSize, 4));
    std::vector<Piece> pieces;  // the last volume first
    std::string tail;
    for (ZIP_SIZE_TYPE wanted = kSearchDepth;;) {
        const ZIP_FILE_USIZE length = m_pFile->GetLength();
        const auto span = static_cast<std::size_t>(std::min<ZIP_FILE_USIZE>(wanted, length));
        std::string bytes(span, '\0');
        for (std::size_t done = 0; done < span;) {
            const auto size = static_cast<std::uint32_t>(std::min(chunk, span - done));
            m_pFile->SeekUnsigned(length - span + done);
            if (m_pFile->Read(bytes.data() + done, size) != size) ThrowError(CZipException::badArchive);
            done += size;
        }
        tail.insert(0, bytes);
        pieces.push_back({m_uCurrentVolume, length - span, span});
        wanted -= span;
        if (!IsBinarySplit() || m_uCurrentVolume == 0 || wanted == 0) break;
        ChangeVolume(m_uCurrentVolume - 1);
    }

    constexpr std::size_t recordSize = 22;
    std::size_t exact = std::string::npos;
    std::size_t nearest = std::string::npos;
    for (std::size_t at = tail.find(kEndSignatureBytes); at != std::string::npos; at = tail.find(kEndSignatureBytes, at + 1)) {
        nearest = at;
        if (exact != std::string::npos || at + recordSize > tail.size()) continue;
        if (at + recordSize + zipbytes::get16(tail.data() + at + 20) == tail.size()) exact = at;
    }
    const std::size_t found = exact != std::string::npos ? exact : nearest;
    if (found == std::string::npos) return -1;
    std::size_t pieceEnd = tail.size();
    for (const Piece& piece : pieces) {
        const std::size_t pieceStart = pieceEnd - piece.size;
        if (found >= pieceStart) {
            ChangeVolume(piece.volume);
            return static_cast<ZIP_FILE_SIZE>(piece.fileStart + (found - pieceStart));
        }
        pieceEnd = pieceStart;
    }
    return -1;
}

void CZipStorage::UpdateSegmMode(ZIP_VOLUME_TYPE lastVolume) {
    if (!IsBinarySplit()) m_uCurrentVolume = lastVolume;
    if (lastVolume == 0 && !IsBinarySplit()) {
        ClearSegmentation();
        return;
    }
    // A caller's file object holds one volume; more cannot be reached.
    if (m_pFile != &m_internalfile) ThrowError(CZipException::badArchive);
    if (!IsSegmented()) m_state |= ZipSystem::IsRemovableDrive(m_szArchiveName) ? stateSpanned : stateSplit;
    if (IsSpanned()) {
        if (!m_pSpanChangeVolumeFunc) ThrowError(CZipException::noSpanCallback);
        m_pChangeVolumeFunc = m_pSpanChangeVolumeFunc;
    } else {
        SetUpNamesHandler();
        if (!IsBinarySplit()) m_uSplitData = lastVolume;
        m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
    }
    m_pWriteBuffer.Free();
}

void CZipStorage::ThrowError(int code) const {
    const CZipString path = m_pFile && !m_pFile->GetFilePath().empty() ? m_pFile->GetFilePath() : m_szArchiveName;
    CZipException::Throw(code, path);
}
