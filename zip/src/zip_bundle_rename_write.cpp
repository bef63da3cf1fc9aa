// CZipBundle: a renamed entry's local header rewritten in place. When the
// header's size changes, everything behind it moves by the difference and
// the later entries' offsets follow.
#include "progress_run.h"
#include "zip/zip_bundle.h"

// The header carries its new name; its local header on disk still has the
// old one, whose size comes from reading it again.
bool CZipBundle::RewriteRenamedHeader(CZipFileHeader& header) {
    if (!CanWrite() || m_storage.IsSegmented() || m_iFileOpened != entryNone) return false;
    if (!header.ReadLocalHeader(m_centralDir)) return false;
    m_storage.Flush();
    m_centralDir.CutAtDirectory();
    CZipAbstractFile& file = *m_storage.GetFile();
    const ZIP_SIZE_TYPE before = m_storage.m_uBytesBeforeZip;
    const ZIP_SIZE_TYPE oldSize = header.m_uLocalHeaderSize;
    const ZIP_SIZE_TYPE newSize = header.LocalHeaderSize();
    if (newSize != oldSize) {
        const ZIP_SIZE_TYPE dataStart = header.m_uOffset + oldSize;
        const ZIP_SIZE_TYPE end = file.GetLength() - before;
        const bool grows = newSize > oldSize;
        const ZIP_SIZE_TYPE distance = grows ? newSize - oldSize : oldSize - newSize;
        {
            const ProgressRun progress(FindCallback(CZipProgressCallback::cbApplyHeaderChanges), header.GetFileName(false), {});
            MoveArchiveData(dataStart, end, distance, grows, progress.get());
        }
        if (!grows) file.SetLength(before + end - distance);
        for (ZIP_INDEX_TYPE i = 0; i < GetCount(); ++i) {
            CZipFileHeader& other = *m_centralDir[i];
            if (other.m_uOffset > header.m_uOffset)
                other.m_uOffset = grows ? other.m_uOffset + distance : other.m_uOffset - distance;
        }
    }
    file.SeekUnsigned(before + header.m_uOffset);
    header.WriteLocalHeader(m_storage);
    m_storage.Flush();
    return true;
}
