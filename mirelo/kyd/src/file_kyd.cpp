// Opening, closing and writing a container.
#include <filesystem>
#include <optional>

#include "kyd/file_kyd.h"
#include "kyd_names.h"
#include "pending_replacement.h"
#include "system_cause.h"
#include "win32/error_codes.h"
#include "wide_path.h"
#include "platform/paths.h"
#include "zip/zip_mem_file.h"

using kydcause::failed;

namespace {

constexpr int kSmartness = 7;
constexpr std::uint32_t kCopyBuffer = 65536;

bool validMode(int mode) { return mode >= TFileKyd::openUpdate && mode <= TFileKyd::openCreate; }

// The name a file is stored under: its last path component. A "\" after
// the last "/" belongs to a Linux name, which the format would split.
std::optional<std::string> storedFileName(const CZipBundle& zip, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && path.find('\\', slash) != std::string::npos) return std::nullopt;
    std::string name = zip.PredictFileNameInZip(path, false, CZipBundle::pathFile);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    return name;
}

}  // namespace

TFileKyd::TFileKyd() {
    m_zip.SetCompressionMethod(8);
    m_zip.SetCaseSensitivity(false);
    m_zip.SetMemoryExtractionLimit(kEntryLimit);
}

TFileKyd::~TFileKyd() { Close(true); }

int TFileKyd::Open(const std::string& path, int mode) {
    if (!validMode(mode) || path.empty()) return kydEmptyArgument;
    if (!m_zip.IsClosed()) return failed(kydOpenFailed);
    try {
        PendingReplacement::removeLeftOvers(platform::paths::fromWindowsAnsi(path));
        std::unique_ptr<PendingReplacement> pending;
        CZipString working = path;
        if (mode != openReadOnly) {
            pending = std::make_unique<PendingReplacement>(platform::paths::fromWindowsAnsi(path), mode == openUpdate);
            working = platform::paths::toAnsi(pending->working());
        }
        const int zipMode = mode == openUpdate     ? CZipBundle::zipOpen
                            : mode == openReadOnly ? CZipBundle::zipOpenReadOnly
                                                   : CZipBundle::zipCreate;
        if (!m_zip.Open(working, zipMode, 0)) return failed(kydOpenFailed);
        m_pending = std::move(pending);
        m_path = path;
        return kydOk;
    } catch (...) {
        return failed(kydOpenFailed, kydcause::ofCurrentException());
    }
}

int TFileKyd::Open(std::u16string_view path, int mode) {
    const auto ansi = exactAnsi(path);
    if (!ansi) return validMode(mode) ? failed(kydOpenFailed) : kydEmptyArgument;
    return Open(*ansi, mode);
}

int TFileKyd::Close(bool afterError) {
    bool written = true;
    DWORD cause = ERROR_SUCCESS;
    try {
        const int dropped = m_pending ? CZipBundle::closeAfterException : CZipBundle::closeAfterError;
        m_zip.Close(afterError ? dropped : CZipBundle::closeNormal);
    } catch (...) {
        cause = kydcause::ofCurrentException();
        written = false;
        try {
            m_zip.Close(CZipBundle::closeAfterException);
        } catch (...) {
        }
    }
    if (m_pending && !afterError && written) {
        try {
            m_pending->commit();
        } catch (...) {
            cause = kydcause::ofCurrentException();
            written = false;
        }
    }
    m_pending.reset();
    m_path.clear();
    // Dropping the changes keeps the cause of the failure that led to it.
    return afterError || written ? kydOk : failed(kydCompressFailed, cause);
}

int TFileKyd::AddNamed(const std::string& entryName, const std::function<bool()>& add) {
    if (entryName.empty()) return kydEmptyArgument;
    try {
        if (m_zip.FindFile(entryName, true, false, CZipBundle::pathBySeparator) != ZIP_FILE_INDEX_NOT_FOUND)
            return kydDuplicate;
        return add() ? kydOk : failed(kydCompressFailed);
    } catch (...) {
        return failed(kydCompressFailed, kydcause::ofCurrentException());
    }
}

int TFileKyd::AddFile(const std::string& sourcePath, const std::string& entryName) {
    if (m_zip.IsClosed()) return failed(kydCompressFailed);
    if (sourcePath.empty()) return kydEmptyArgument;
    // A file that cannot be measured is left to the ZIP library to fail on.
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(platform::paths::fromWindowsAnsi(sourcePath), error);
    if (!error && !FitsEntry(size)) return failed(kydCompressFailed);
    return AddNamed(entryName, [&] { return m_zip.AddNewFile(sourcePath, entryName, -1, kSmartness, kCopyBuffer); });
}

int TFileKyd::AddBuffer(const std::vector<BYTE>& bytes, const std::string& entryName) {
    if (m_zip.IsClosed()) return failed(kydCompressFailed);
    if (bytes.empty()) return kydEmptyArgument;
    if (!FitsEntry(bytes.size())) return failed(kydCompressFailed);
    return AddNamed(entryName, [&] {
        CZipMemFile memory(1024);
        memory.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return m_zip.AddNewFile(memory, entryName, -1, kSmartness, kCopyBuffer);
    });
}

std::string TFileKyd::FolderForNewEntry() {
    std::string folder;
    return FindDocumentFolder(folder) ? folder : "D" + kydnames::utcStamp();
}

std::string TFileKyd::MakeEntryName(int kind, bool inFolder) {
    struct Naming {
        const char* subfolder;
        const char* prefix;
        const char* extension;
    };
    static constexpr Naming kNamings[] = {
        {nullptr, "S", "p7s"},       {nullptr, "M", "eml"},         {"Policy", "P", "der"},
        {"Certificate", "C", "der"}, {"Revocation", "CRL", "der"},
    };
    if (kind < kydSignature || kind > kydRevocation) return {};
    const Naming& naming = kNamings[kind];
    std::string name = inFolder ? FolderForNewEntry() + "\\" : std::string();
    if (naming.subfolder) name += std::string(naming.subfolder) + "\\";
    return name + naming.prefix + kydnames::utcStamp() + "." + naming.extension;
}

int TFileKyd::AddStamped(int kind, const std::vector<BYTE>& bytes) {
    if (m_zip.IsClosed()) return failed(kydCompressFailed);
    const std::string name = MakeEntryName(kind, true);
    const std::size_t dot = name.rfind('.');
    std::string free = name;
    try {
        // At most as many names are taken as the archive has entries.
        for (ZIP_INDEX_TYPE n = 1; m_zip.FindFile(free, true, false, CZipBundle::pathBySeparator) != ZIP_FILE_INDEX_NOT_FOUND &&
                                   n <= m_zip.GetCount();
             ++n)
            free = name.substr(0, dot) + "_" + std::to_string(n) + name.substr(dot);
    } catch (...) {
        return failed(kydCompressFailed, kydcause::ofCurrentException());
    }
    return AddBuffer(bytes, free);
}

int TFileKyd::AddSignature(const std::vector<BYTE>& bytes) { return AddStamped(kydSignature, bytes); }
int TFileKyd::AddPolicy(const std::vector<BYTE>& bytes) { return AddStamped(kydPolicy, bytes); }

int TFileKyd::AddMessage(const std::vector<BYTE>& bytes) {
    // A second message would make the container unreadable.
    CZipIndexesArray messages;
    if (FindEntries(kydnames::kMessagePattern, true, messages)) return kydDuplicate;
    return AddStamped(kydMessage, bytes);
}

int TFileKyd::AddUnderFolder(const std::string& path, const char* subfolder) {
    if (m_zip.IsClosed()) return failed(kydCompressFailed);
    if (path.empty()) return kydEmptyArgument;
    try {
        const auto name = storedFileName(m_zip, path);
        if (!name) return kydEmptyArgument;
        std::string entry = FolderForNewEntry() + "\\";
        if (subfolder) entry += std::string(subfolder) + "\\";
        return AddFile(path, entry + *name);
    } catch (...) {
        return failed(kydCompressFailed, kydcause::ofCurrentException());
    }
}

int TFileKyd::AddDocumentFile(const std::string& path) { return AddUnderFolder(path, nullptr); }
int TFileKyd::AddOtherFile(const std::string& path) { return AddUnderFolder(path, "Other"); }

int TFileKyd::AddDocumentFile(std::u16string_view path) {
    const auto ansi = exactAnsi(path);
    return ansi ? AddDocumentFile(*ansi) : failed(kydCompressFailed);
}

int TFileKyd::AddOtherFile(std::u16string_view path) {
    const auto ansi = exactAnsi(path);
    return ansi ? AddOtherFile(*ansi) : failed(kydCompressFailed);
}
