// The document of a container: its content type, and extracting it to a
// folder. Names come from the container, which others made, so only the
// last component of a name is ever used and nothing lands outside the
// folder the caller gave.
#include <filesystem>
#include <system_error>

#include "common/log.h"
#include "kyd/file_kyd.h"
#include "kyd_document_message.h"
#include "mime/mime_body.h"
#include "platform/ansi_name.h"
#include "platform/paths.h"
#include "platform/win_error.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "win32/error.h"

namespace {

constexpr LONG kFileOverwrite = 1;
constexpr std::size_t kContentTypeSize = 512;

// The text after the last "\" or "/".
std::string LastComponent(const std::string& name) {
    const auto slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// "?" and "*" are no file-name characters on Windows. In a name read from a
// container a "?" stands for a character the ANSI page lacks (a UTF-8 entry
// name holding one is read with "?" in its place), so the file would get
// another name.
bool IsUsableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && !platform::paths::holdsWildcard(name);
}

bool TargetExists(const std::filesystem::path& target) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(target, error));
}

// An open container that closes in its error mode unless told otherwise.
struct OpenContainer {
    TFileKyd file;
    bool failed = true;
    ~OpenContainer() { file.Close(failed); }
};

}  // namespace

bool TSignerKyd::DocumentGetContentType(const std::string& kydFile, std::string& contentType) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "fname_in     : " + kydFile);
    if (kydFile.empty()) return Record(kErrBadValue);
    OpenContainer container;
    if (const int error = container.file.Open(kydFile, TFileKyd::openReadOnly)) return Record(error);
    std::vector<BYTE> bytes;
    bool isMessage = false;
    if (const int error = container.file.ReadDocument(bytes, isMessage)) return Record(error);
    if (isMessage) {
        CMimeMessage message;
        if (!LoadDocumentMessage(bytes, message)) return Record(kErrMimeDecoding);
        const char* value = message.GetFieldValue("Content-Type");
        contentType = MediaTypeOf(value ? value : "");
    } else {
        std::string entryName;
        if (const int error = container.file.GetDocumentEntryName(entryName)) return Record(error);
        char buffer[kContentTypeSize] = {};
        ContentTypeFromExtension(LastComponent(entryName).c_str(), buffer, sizeof buffer);
        contentType = buffer;
    }
    container.failed = false;
    return Record(0);
}

bool TSignerKyd::DocumentExtractToFile(const std::string& path, const std::string& kydFile,
                                       const std::string& newFile) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "path_in      : " + path);
    Log(sgLogLevelDebug, "fname_in     : " + kydFile);
    Log(sgLogLevelDebug, "fname_in     : " + newFile);
    if (path.empty() || kydFile.empty()) return Record(kErrBadValue);
    OpenContainer container;
    if (const int error = container.file.Open(kydFile, TFileKyd::openReadOnly)) return Record(error);
    std::vector<BYTE> bytes;
    bool isMessage = false;
    if (const int error = container.file.ReadDocument(bytes, isMessage)) return Record(error);

    CMimeMessage message;
    std::vector<CMimeBody*> parts;
    std::string name = LastComponent(newFile);
    if (isMessage) {
        if (!LoadDocumentMessage(bytes, message) || message.GetLeafParts(parts) != 1)
            return Record(kErrMimeDecoding);
        // A part that names its file in no form read here (an RFC 2231
        // "filename*", say) cannot be extracted under its own name.
        if (name.empty()) name = LastComponent(parts.front()->GetFileName());
        if (name.empty()) return Record(kErrMimeDecoding);
    } else {
        std::string entryName;
        if (const int error = container.file.GetDocumentEntryName(entryName)) return Record(error);
        if (name.empty()) name = LastComponent(entryName);
    }
    if (!IsUsableFileName(name)) {
        SetLastError(ERROR_SUCCESS);  // the container's name, no fault of the system
        return Record(kErrSavingFile);
    }
    const std::filesystem::path target = platform::paths::fromWindowsAnsi(path) / platform::paths::fromWindowsAnsi(name);
    if ((GetFileFlags() & kFileOverwrite) == 0 && TargetExists(target)) return Record(kErrFileExists);

    if (isMessage) {
        if (const int error = parts.front()->WriteContentToFile(target)) {
            SetLastError(platform::win32CodeOfErrno(error));
            return Record(kErrSavingFile);
        }
    } else if (const int error = container.file.ExtractDocument(path, name)) {
        return Record(error);
    }
    container.failed = false;
    return Record(0);
}
