// Finding, reading and extracting the entries of a container.
#include "kyd/file_kyd.h"
#include "kyd_names.h"
#include "system_cause.h"
#include "wide_path.h"
#include "zip/zip_mem_file.h"

using kydcause::failed;

namespace {
constexpr std::uint32_t kCopyBuffer = 65536;
}

bool TFileKyd::FindEntries(const std::string& pattern, bool inFolder, CZipIndexesArray& indexes) {
    if (m_zip.IsClosed()) return false;
    std::string full = pattern;
    if (inFolder) {
        std::string folder;
        if (!FindDocumentFolder(folder)) return false;
        full = folder + "\\\\" + pattern;
    }
    const std::size_t before = indexes.size();
    try {
        m_zip.FindMatches(full, indexes, true);
    } catch (...) {
        return false;
    }
    return indexes.size() > before;
}

bool TFileKyd::FindDocumentFolder(std::string& folder) {
    CZipIndexesArray found;
    if (!FindEntries(kydnames::kFolderPattern, false, found)) return false;
    const CZipString& name = m_zip.GetFileInfo(found.front())->GetFileName();
    folder = name.substr(0, name.find('\\'));
    return true;
}

int TFileKyd::GetSignatureCount() {
    CZipIndexesArray found;
    FindEntries(kydnames::kSignaturePattern, true, found);
    return static_cast<int>(found.size());
}

int TFileKyd::GetPolicyCount() {
    CZipIndexesArray found;
    FindEntries(kydnames::kPolicyPattern, true, found);
    return static_cast<int>(found.size());
}

int TFileKyd::GetSignatureEntryName(int n, std::string& name) {
    CZipIndexesArray found;
    if (!FindEntries(kydnames::kSignaturePattern, true, found)) return kydNoSignature;
    if (n < 0 || static_cast<std::size_t>(n) >= found.size()) return kydEmptyArgument;
    name = m_zip.GetFileInfo(found[static_cast<std::size_t>(n)])->GetFileName();
    return kydOk;
}

int TFileKyd::ReadNth(const std::string& pattern, int n, std::vector<BYTE>& bytes) {
    CZipIndexesArray found;
    if (!FindEntries(pattern, true, found)) return kydNoSignature;
    if (n < 0 || static_cast<std::size_t>(n) >= found.size()) return kydEmptyArgument;
    return ExtractToMemory(found[static_cast<std::size_t>(n)], bytes);
}

int TFileKyd::ReadSignature(int n, std::vector<BYTE>& bytes) { return ReadNth(kydnames::kSignaturePattern, n, bytes); }
int TFileKyd::ReadPolicy(int n, std::vector<BYTE>& bytes) { return ReadNth(kydnames::kPolicyPattern, n, bytes); }
int TFileKyd::ReadEnvelope(int n, std::vector<BYTE>& bytes) { return ReadNth(kydnames::kEnvelopePattern, n, bytes); }

// The one message entry, else the folder's first entry as a plain file.
int TFileKyd::FindDocument(ZIP_INDEX_TYPE& index, bool& isMessage) {
    CZipIndexesArray found;
    isMessage = FindEntries(kydnames::kMessagePattern, true, found);
    if (found.size() > 1) return kydDuplicate;
    if (!isMessage && !FindEntries(kydnames::kAnyPattern, true, found)) return kydNoDocument;
    index = found.front();
    return kydOk;
}

int TFileKyd::ReadDocument(std::vector<BYTE>& bytes, bool& isMessage) {
    ZIP_INDEX_TYPE index = 0;
    if (const int error = FindDocument(index, isMessage)) return error;
    return ExtractToMemory(index, bytes);
}

int TFileKyd::ExtractDocument(const std::string& folder, const std::string& newName) {
    ZIP_INDEX_TYPE index = 0;
    bool isMessage = false;
    if (const int error = FindDocument(index, isMessage)) return error;
    return ExtractToFile(index, folder, newName);
}

int TFileKyd::ExtractDocument(std::u16string_view folder, std::u16string_view newName) {
    const auto ansiFolder = exactAnsi(folder);
    const auto ansiName = exactAnsi(newName);
    if (!ansiFolder || !ansiName) return failed(kydExtractFailed);
    return ExtractDocument(*ansiFolder, *ansiName);
}

int TFileKyd::GetDocumentEntryName(std::string& name) {
    ZIP_INDEX_TYPE index = 0;
    bool isMessage = false;
    if (const int error = FindDocument(index, isMessage)) return error;
    name = m_zip.GetFileInfo(index)->GetFileName();
    return kydOk;
}

// Encrypted entries and entries over the limit are refused before any of
// their data is read.
int TFileKyd::CheckReadable(ZIP_INDEX_TYPE index) {
    if (m_zip.IsClosed()) return failed(kydExtractFailed);
    const CZipFileHeader* header = m_zip.GetFileInfo(index);
    if (!header || header->IsEncrypted() || !FitsEntry(header->m_uUncomprSize)) return failed(kydExtractFailed);
    return kydOk;
}

int TFileKyd::ExtractToMemory(ZIP_INDEX_TYPE index, std::vector<BYTE>& bytes) {
    if (const int error = CheckReadable(index)) return error;
    try {
        CZipMemFile memory(1024);
        if (!m_zip.ExtractFile(index, memory, true, kCopyBuffer)) return failed(kydExtractFailed);
        std::vector<BYTE> data(static_cast<std::size_t>(memory.GetLength()));
        if (!data.empty() && memory.Read(data.data(), static_cast<std::uint32_t>(data.size())) != data.size())
            return failed(kydExtractFailed);
        bytes.insert(bytes.end(), data.begin(), data.end());
        return kydOk;
    } catch (...) {
        return failed(kydExtractFailed, kydcause::ofCurrentException());
    }
}

int TFileKyd::ExtractToFile(ZIP_INDEX_TYPE index, const std::string& folder, const std::string& newName) {
    if (const int error = CheckReadable(index)) return error;
    try {
        const ZIPCHAR* name = newName.empty() ? nullptr : newName.c_str();
        return m_zip.ExtractFile(index, folder, false, name, kCopyBuffer) ? kydOk : failed(kydExtractFailed);
    } catch (...) {
        return failed(kydExtractFailed, kydcause::ofCurrentException());
    }
}
