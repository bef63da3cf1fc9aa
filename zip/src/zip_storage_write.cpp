// CZipStorage: creating archives, the write buffer and new volumes.
#include <cstring>

#include "zip/zip_exception.h"
#include "zip/zip_path_component.h"
#include "zip/zip_platform.h"
#include "zip/zip_storage.h"
#include "win_calls.h"

namespace {

constexpr std::uint32_t kCreateFlags = CZipFile::modeCreate | CZipFile::shareDenyWrite | CZipFile::modeReadWrite;

}  // namespace

void CZipStorage::OpenForCreating(int mode, ZIP_SIZE_TYPE volumeSize) {
    m_uCurrentVolume = 0;
    if (!(mode & zipModeSegmented)) {
        const bool append = (mode & zipCreateAppend) == zipCreateAppend;
        OpenVolumeFile(m_szArchiveName, append ? CZipFile::modeNoTruncate | CZipFile::shareDenyWrite | CZipFile::modeReadWrite
                                               : kCreateFlags);
        return;
    }
    m_uBytesWritten = 0;
    if (mode & zipModeSpan) {
        if (!m_pSpanChangeVolumeFunc) ThrowError(CZipException::noSpanCallback);
        if (!ZipSystem::IsRemovableDrive(m_szArchiveName)) ThrowError(CZipException::notRemovable);
        m_state |= stateSpanned;
        m_pChangeVolumeFunc = m_pSpanChangeVolumeFunc;
    } else {
        if (volumeSize == 0) ThrowError(CZipException::noVolumeSize);
        m_uSplitData = volumeSize;
        m_state |= (mode & zipModeBinSplit) ? stateBinarySplit : stateSplit;
        m_cachedSizes.clear();
        SetUpNamesHandler();
        m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
    }
    NextVolume(4);
    char marker[4];
    std::memcpy(marker, "PK\x07\x08", 4);
    Write(marker, 4, true);
}

// A block written at once into a split volume must fit it whole; otherwise
// (and always for binary split, whose volumes are slices of one stream) the
// data run on into the next volume.
void CZipStorage::Write(const void* buffer, std::uint32_t size, bool atOnce) {
    const char* data = static_cast<const char*>(buffer);
    if (!IsSegmented()) {
        WriteInternalBuffer(data, size);
        return;
    }
    const std::uint32_t together = atOnce && !IsBinarySplit() ? size : 1;
    while (size > 0) {
        AssureFree(together);
        const auto piece = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(VolumeLeft(), size));
        WriteInternalBuffer(data, piece);
        data += piece;
        size -= piece;
    }
}

void CZipStorage::WriteInternalBuffer(const char* data, std::uint32_t size) {
    const std::uint32_t capacity = m_pWriteBuffer.GetSize();
    if (capacity == 0) {
        m_pFile->Write(data, size);
        if (IsSegmented()) m_uBytesWritten += size;
        return;
    }
    while (size > 0) {
        if (m_uBytesInWriteBuffer == capacity) {
            FlushBuffer();
            if (IsSpanned()) MeasureSpannedFreeSpace();
        }
        const std::uint32_t piece = std::min(size, capacity - m_uBytesInWriteBuffer);
        std::memcpy(m_pWriteBuffer.GetBuffer() + m_uBytesInWriteBuffer, data, piece);
        m_uBytesInWriteBuffer += piece;
        data += piece;
        size -= piece;
    }
}

void CZipStorage::FlushBuffer() {
    if (m_uBytesInWriteBuffer == 0) return;
    m_pFile->Write(m_pWriteBuffer.GetBuffer(), m_uBytesInWriteBuffer);
    if (IsSegmented()) m_uBytesWritten += m_uBytesInWriteBuffer;
    m_uBytesInWriteBuffer = 0;
}

void CZipStorage::Flush() {
    FlushBuffer();
    if (IsSpanned()) MeasureSpannedFreeSpace();
}

void CZipStorage::MeasureSpannedFreeSpace() {
    const CZipString path = m_pFile->GetFilePath();
    m_uCurrentVolSize = path.empty() ? 0 : ZipSystem::FreeSpaceOfDevice(CZipPathComponent(path).GetFilePath());
}

ZIP_SIZE_TYPE CZipStorage::VolumeLeft() const {
    const ZIP_SIZE_TYPE used = m_uBytesInWriteBuffer + (IsSpanned() ? 0 : m_uBytesWritten);
    return used > m_uCurrentVolSize ? 0 : m_uCurrentVolSize - used;
}

void CZipStorage::AssureFree(std::uint32_t needed) {
    while (VolumeLeft() < needed) {
        if (IsSplit() && m_uBytesWritten == 0 && m_uBytesInWriteBuffer == 0)
            m_uCurrentVolSize = needed;  // a block larger than a volume gets a volume of its own
        else
            NextVolume(needed);
    }
}

void CZipStorage::NextVolume(ZIP_SIZE_TYPE needed) {
    Flush();
    if (m_uBytesWritten > 0) {
        ++m_uCurrentVolume;
        m_uBytesWritten = 0;
        if (m_uCurrentVolume >= 0xFFFFFFFEu) ThrowError(CZipException::tooManyVolumes);
    }
    CZipString path = IsSpanned() ? m_szArchiveName : GetSplitVolumeName(false);
    if (!m_pFile->IsClosed()) {
        m_pFile->Flush();
        if (IsBinarySplit()) m_cachedSizes.push_back(m_pFile->GetLength());
        m_pFile->Close();
    }
    if (m_pChangeVolumeFunc) {
        int reason = CZipSegmCallback::volumeForWriting;
        for (;;) {
            path = CallCallback(needed, reason, path);
            if (Exists(path)) {
                reason = CZipSegmCallback::fileExists;
                continue;
            }
            if (IsSpanned()) {
                CZipString label;
                label.Printf(ZIPTEXT("pkback# %.3d"), static_cast<int>(m_uCurrentVolume + 1));
                if (!ZipSystem::SetDriveLabel(path, label)) {
                    reason = CZipSegmCallback::cannotSetLabel;
                    continue;
                }
            }
            if (!m_internalfile.Open(path, kCreateFlags, false)) {
                reason = CZipSegmCallback::cannotCreate;
                continue;
            }
            break;
        }
        m_pFile = &m_internalfile;
        m_uCurrentVolSize = IsSpanned() ? ZipSystem::FreeSpaceOfDevice(path) : m_uSplitData;
        return;
    }
    if (IsSpanned()) ThrowError(CZipException::noCallback);
    m_uCurrentVolSize = m_uSplitData;
    OpenVolumeFile(path, kCreateFlags);
}

void CZipStorage::FinalizeSegm() {
    CZipString path;
    if (IsSplit()) {
        path = RenameLastFileInSplitArchive();
        if (IsBinarySplit() && m_uCurrentVolume > 0) {
            ZIP_SIZE_TYPE length = 0;
            if (ZipSystem::GetFileLength(path, length)) m_cachedSizes.push_back(length);
            if (m_cachedSizes.empty()) ThrowError(CZipException::internal);
        }
    } else {
        path = m_pFile->GetFilePath();
        m_pFile->Close();
    }
    m_state |= stateExisting;
    if (m_uCurrentVolume == 0) {
        if (IsSplit()) {
            ClearNamesHandler();
            m_cachedSizes.clear();
        }
        ClearSegmentation();
    } else {
        m_uSplitData = m_uCurrentVolume;
        if (IsSplit()) m_szArchiveName = path;
    }
    OpenVolumeFile(path, CZipFile::modeNoTruncate | CZipFile::shareDenyWrite |
                             (IsSegmented() ? CZipFile::modeReadWrite : CZipFile::modeRead));
}

// The last volume takes its final name: for the regular handler the archive's
// own name, so the volume the user opens later is the one named at creation.
CZipString CZipStorage::RenameLastFileInSplitArchive() {
    CZipString name = GetSplitVolumeName(true);
    if (m_pChangeVolumeFunc) {
        constexpr ZIP_SIZE_TYPE progress = ~ZIP_SIZE_TYPE{0};
        name = CallCallback(progress, CZipSegmCallback::volumeForWriting, name);
        while (Exists(name)) name = CallCallback(progress, CZipSegmCallback::fileExists, name);
    }
    m_pFile->Flush();
    const CZipString current = m_pFile->GetFilePath();
    m_pFile->Close();
    if (zipwin::samePath(name.c_str(), current.c_str())) return name;
    if (!m_pChangeVolumeFunc && Exists(name) && !zipwin::deleteFile(name.c_str()))
        CZipException::Throw(CZipException::cannotDeleteVolume, name);
    if (!zipwin::moveFile(current.c_str(), name.c_str())) CZipException::Throw(CZipException::cannotRenameVolume, name);
    return name;
}
