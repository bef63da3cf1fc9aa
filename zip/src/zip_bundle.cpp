// CZipBundle: opening and closing an archive, its settings, and the
// lookup of entries by index.
#include "zip/zip_bundle.h"

#include <algorithm>

#include "platform/text.h"
#include "zip/zip_exception.h"
#include "zip/zip_path_component.h"
#include "zip/zip_platform.h"

namespace {

bool isValidHost(int system) {
    switch (system) {
    case 0: case 3: case 6: case 7: case 11: case 15: case 20: return true;
    default: return false;
    }
}

// Unix, Macintosh and OS/X hosts keep their passwords in UTF-8.
UINT passwordCodePage(int system) { return system == 3 || system == 7 || system == 20 ? CP_UTF8 : CP_ACP; }

}  // namespace

// A password's text as UTF-16 and back, for the build's character type.
namespace zippassword {
inline std::u16string utf16Of(const std::string& ansi) { return platform::text::toWide(ansi, CP_ACP); }
inline const std::u16string& utf16Of(const std::u16string& wide) { return wide; }
inline void assignUtf16(std::string& ansi, const std::u16string& wide) { ansi = platform::text::toNarrow(wide, CP_ACP); }
inline void assignUtf16(std::u16string& text, const std::u16string& wide) { text = wide; }
}  // namespace zippassword

using zippassword::assignUtf16;
using zippassword::utf16Of;

CZipBundle::CZipBundle() = default;

CZipBundle::~CZipBundle() = default;

bool CZipBundle::Open(const CZipString& path, int mode, ZIP_SIZE_TYPE volumeSize) {
    if (!IsClosed()) return false;
    OpenInternal(mode, [&] { m_storage.Open(path, mode, volumeSize); });
    return true;
}

bool CZipBundle::Open(CZipAbstractFile& file, int mode) {
    if (!IsClosed()) return false;
    OpenInternal(mode, [&] { m_storage.Open(file, mode); });
    return true;
}

// An archive that cannot be opened (a missing file or folder, an archive
// whose directory cannot be read) is not left half open: its file is closed
// again before the exception passes on, and the next Open starts afresh.
template <class OpenStorage>
void CZipBundle::OpenInternal(int mode, OpenStorage&& openStorage) {
    m_pszPassword.Free();
    m_iFileOpened = entryNone;
    m_szRootPath.clear();
    m_centralDir.Clear();
    m_centralDir.m_iIgnoredChecks = CZipCentralDir::checkLocalOnClose | CZipCentralDir::checkVolumeEntries;
    m_iArchiveSystCompatib = 0;
    try {
        openStorage();
        if (mode & zipOpen) m_centralDir.Read(false);
    } catch (...) {
        m_centralDir.Clear();
        try {
            m_storage.Close(false);
        } catch (const CZipException&) {
            // the failure to read the archive is the one to report
        }
        throw;
    }
    if (GetCount() > 0 && isValidHost(m_centralDir[0]->GetSystemCompatibility()))
        m_iArchiveSystCompatib = m_centralDir[0]->GetSystemCompatibility();
}

bool CZipBundle::CanWrite() const noexcept {
    return !IsClosed() && !m_storage.IsReadOnly() && !m_storage.IsExistingSegmented() && m_storage.GetFile();
}

CZipString CZipBundle::Close(int mode, bool updateTime) {
    if (IsClosed()) return {};
    if (m_iFileOpened == entryReading) CloseEntryForReading(mode != closeNormal);
    bool directoryWritten = false;
    if constexpr (kZipWrites) {
        if (mode == closeAfterException) {
            // Nothing more is written, except that an existing archive whose
            // directory has already left the file gets it back: without it
            // every entry, old ones included, would be lost.
            try {
                if (m_iFileOpened == entryWriting) CloseEntryForWriting(true);
                if (CanWrite() && m_storage.IsExisting() && !m_centralDir.GetInfo().m_bInArchive) {
                    m_centralDir.Commit();
                    directoryWritten = true;
                }
            } catch (const CZipException&) {
                // after an exception the archive keeps what it can
            }
        } else {
            if (m_iFileOpened == entryWriting) CloseEntryForWriting(mode != closeNormal);
            if (CanWrite()) {
                m_centralDir.Commit();
                directoryWritten = true;
            }
        }
    }
    std::int64_t newest = 0;
    if (updateTime)
        for (ZIP_INDEX_TYPE i = 0; i < GetCount(); ++i) newest = std::max(newest, m_centralDir[i]->GetModificationTime());
    m_centralDir.Clear();
    m_pszPassword.Free();
    m_pCryptograph.reset();
    const CZipString path = m_storage.Close(mode != closeAfterException || directoryWritten, true);
    if (updateTime && !path.empty()) ZipSystem::SetFileModificationTime(path, newest);
    return path;
}

CZipString CZipBundle::GetArchivePath() const {
    const CZipAbstractFile* file = m_storage.GetFile();
    if (IsClosed() || !file || file->IsClosed()) return {};
    return m_storage.GetArchivePath();
}

void CZipBundle::RaiseError(int code) const {
    if (!IsClosed()) m_storage.ThrowError(code);
    CZipException::Throw(code);
}

bool CZipBundle::SetCompressionMethod(std::uint16_t method) {
    if (m_iFileOpened == entryWriting) return false;
    if (!CZipCompressor::IsMethodSupported(method)) return false;
    m_uCompressionMethod = method;
    return true;
}

void CZipBundle::SetCaseSensitivity(bool caseSensitive) noexcept { m_bCaseSensitive = caseSensitive; }

CZipAutoBuffer CZipBundle::PasswordBytes(const CZipString& password) const {
    const std::string bytes = platform::text::toNarrow(utf16Of(password), passwordCodePage(m_iArchiveSystCompatib));
    CZipAutoBuffer buffer(static_cast<std::uint32_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer.GetBuffer());
    return buffer;
}

bool CZipBundle::SetPassword(const ZIPCHAR* password) {
    if (m_iFileOpened != entryNone) return false;
    if (!password || !*password)
        m_pszPassword.Free();
    else
        m_pszPassword = PasswordBytes(CZipString(password));
    return true;
}

CZipString CZipBundle::GetPassword() const {
    const std::string bytes(m_pszPassword.GetBuffer() ? m_pszPassword.GetBuffer() : "", m_pszPassword.GetSize());
    CZipString text;
    assignUtf16(text, platform::text::toWide(bytes, passwordCodePage(m_iArchiveSystCompatib)));
    return text;
}

bool CZipBundle::SetEncryptionMethod(int method) {
    if (m_iFileOpened != entryNone) return false;
    if (method != CZipCryptograph::encNone && (method < CZipCryptograph::encStandard || method > CZipCryptograph::encWinZipAes256))
        return false;
    m_iEncryptionMethod = method;
    return true;
}

bool CZipBundle::SetHostSystem(int system) {
    if (IsClosed() || m_iFileOpened == entryWriting || !isValidHost(system)) return false;
    m_iArchiveSystCompatib = system;
    return true;
}

void CZipBundle::SetRootFolder(const ZIPCHAR* folder) {
    if (IsClosed() || m_iFileOpened != entryNone) return;
    m_szRootPath = CZipString(folder);
    std::replace(m_szRootPath.begin(), m_szRootPath.end(), ZIPTEXT('/'), CZipPathComponent::cSeparator);
    CZipPathComponent::RemoveSeparators(m_szRootPath);
}

void CZipBundle::SetCallback(CZipProgressCallback* callback, int kind) { m_callbacks.Set(kind, callback); }

void CZipBundle::SetCompressionOptions(const CZipCompressor::COptions& options) {
    m_compressorsOptions[options.GetType()] = options.Clone();
    const CZipCompressor::COptions* current = m_pCompressor ? m_pCompressor->GetOptions() : nullptr;
    if (current && current->GetType() == options.GetType()) m_pCompressor->UpdateOptions(options);
}

bool CZipBundle::CommitRename(CZipFileHeader& header) {
    if constexpr (kZipWrites)
        return RewriteRenamedHeader(header);
    else
        return false;
}

CZipFileHeader* CZipBundle::GetFileInfo(ZIP_INDEX_TYPE index) {
    return IsClosed() || !m_centralDir.IsIndexValid(index) ? nullptr : m_centralDir[index];
}

const CZipFileHeader* CZipBundle::GetFileInfo(ZIP_INDEX_TYPE index) const {
    return IsClosed() || !m_centralDir.IsIndexValid(index) ? nullptr : m_centralDir[index];
}

void CZipBundle::SelectCryptograph(int method) {
    if (m_pCryptograph && m_pCryptograph->CanHandle(method)) return;
    m_pCryptograph = CZipCryptograph::CreateCryptograph(method);
}

void CZipBundle::SelectCompressor(int method) {
    if (!m_pCompressor || !m_pCompressor->CanProcess(method))
        m_pCompressor = CZipCompressor::CreateCompressor(method, m_storage);
    const CZipCompressor::COptions* current = m_pCompressor ? m_pCompressor->GetOptions() : nullptr;
    if (!current) return;
    const auto found = m_compressorsOptions.find(current->GetType());
    if (found != m_compressorsOptions.end()) m_pCompressor->UpdateOptions(*found->second);
}
