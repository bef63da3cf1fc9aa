#include <algorithm>
#include <optional>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/text.h"
#include "protocol_replies.h"
#include "win32/crypt_string.h"
#include "zip/zip_bundle.h"
#include "zip/zip_mem_file.h"

namespace lumvar {

namespace {

// Whole groups of four only: a text cut inside a group is refused rather
// than decoded into a shorter file.
bool wholeGroups(const std::string& text) {
    std::size_t significant = 0;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') ++significant;
    return significant % 4 == 0;
}

std::optional<std::string> fromBase64(const std::string& text) {
    if (text.size() > UINT32_MAX || !wholeGroups(text)) return std::nullopt;
    const auto length = static_cast<DWORD>(text.size());
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr))
        return text.empty() ? std::optional<std::string>(std::string()) : std::nullopt;
    std::string bytes(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), length, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(bytes.data()), &size,
                              nullptr, nullptr))
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

// The one element of that name, decoded; nullopt after logging why not.
std::optional<std::string> payload(const ServerReply& reply, const char* expression, const char16_t* operation,
                                   const char16_t* element, int& rc) {
    const std::vector<xmlNodePtr> found = reply.nodes(expression);
    rc = kBadReply;
    if (found.size() != 1) {
        log::write(log::Level::Error, u"%ls: Odpověď neobsahuje element %ls.", operation, element);
        return std::nullopt;
    }
    std::optional<std::string> bytes = fromBase64(NodeText(found.front()));
    if (!bytes)
        log::write(log::Level::Error,
                   u"%ls: Odpověď obsahuje neplatný element %ls. (Nepodařilo se převést soubor z kódování Base64.)",
                   operation, element);
    return bytes;
}

std::u16string entryName(const FileRecord& record) {
    const char16_t* prefix = record.location == SystemFolder      ? u"_LUMVAR_SYSTEM\\"
                             : record.location == SystemFolderCom ? u"_LUMVAR_SYSTEM_COM\\"
                                                                  : u"";
    return prefix + record.path;
}

int mismatch(const char16_t* message) {
    log::write(log::Level::Error, message);
    return kBadReply;
}

// Entry i is item i, by name, and of the size the list announced (so no
// entry is extracted past it).
int readEntry(CZipBundle& archive, ZIP_INDEX_TYPE index, DownloadItem& item) {
    CZipFileHeader* header = archive.GetFileInfo(index);
    if (!header) return mismatch(u"GetZipFile: Nepodařilo se získat informace o souboru v zip archivu.");
    std::u16string name = header->GetFileName();
    std::replace(name.begin(), name.end(), u'/', u'\\');
    if (name != entryName(item.record) || header->m_uUncomprSize != item.record.size)
        return mismatch(u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru.");
    CZipMemFile memory;
    if (!archive.ExtractFile(index, memory)) return mismatch(u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru.");
    item.data.resize(static_cast<std::size_t>(memory.GetLength()));
    if (!item.data.empty()) memory.Read(item.data.data(), static_cast<std::uint32_t>(item.data.size()));
    return kOk;
}

}  // namespace

int ReadFileReply(const ServerReply& reply, DownloadItem& item) {
    int rc = kOk;
    std::optional<std::string> bytes = payload(reply, "//File", u"GetFile", u"File", rc);
    if (!bytes) return rc;
    if (bytes->size() != item.record.size) {
        log::write(log::Level::Error,
                   u"GetFile: Odpověď obsahuje neplatný element File. (Velikost souboru neodpovídá seznamu souborů.)");
        return kBadReply;
    }
    item.data = std::move(*bytes);
    return kOk;
}

// Throws what the ZIP library throws for a damaged archive.
int ReadZipReply(const ServerReply& reply, std::vector<DownloadItem>& items) {
    int rc = kOk;
    std::optional<std::string> bytes = payload(reply, "//ZIP", u"GetZipFile", u"ZIP", rc);
    if (!bytes) return rc;
    CZipMemFile source;
    source.UseBuffer(bytes->data(), static_cast<std::uint32_t>(bytes->size()));
    CZipBundle archive;
    archive.Open(source, CZipBundle::zipOpenReadOnly);
    const ZIP_INDEX_TYPE count = archive.GetCount();
    if (count == 0) return mismatch(u"GetZipFile: Zip archiv neobsahuje žádný soubor.");
    if (count != items.size())
        return mismatch(u"GetZipFile: Zip archiv neobsahuje požadované soubory (liší se počet souborů).");
    for (ZIP_INDEX_TYPE i = 0; i < count; ++i)
        if (const int entry = readEntry(archive, i, items[i])) return entry;
    return kOk;
}

}  // namespace lumvar
