#include "kyd_document_message.h"

#include "mime/mime_body.h"
#include "mime/mime_environment.h"
#include "signer_errors.h"

namespace {

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A CR or LF that is not part of a CR LF pair.
bool HasBareLineEnd(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return true;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
    }
    return false;
}

bool HeaderHasBareLineEnd(const CMimeHeader& header) {
    for (const CMimeHeader::Field& field : header.Fields())
        if (HasBareLineEnd(field.name) || HasBareLineEnd(field.value)) return true;
    return false;
}

}  // namespace

bool LoadDocumentMessage(const std::vector<BYTE>& bytes, CMimeMessage& message) {
    if (bytes.empty() || message.Load(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())) <= 0)
        return false;
    std::vector<CMimeBody*> parts;
    message.GetLeafParts(parts);
    if (HeaderHasBareLineEnd(message)) return false;
    for (const CMimeBody* part : parts)
        if (HeaderHasBareLineEnd(*part)) return false;
    return true;
}

LONG BuildMimeMessage(const std::vector<BYTE>& document, const std::string& name, const std::string& type,
                      bool utf8, std::vector<BYTE>& out) {
    if (document.empty() || type.empty()) return kErrBadValue;
    // Folded lines would change the stored bytes that the signature covers.
    CMimeEnvironment::SetAutoFolding(false);
    CMimeMessage message;
    if (!message.SetField("MIME-Version", "1.0")) return kErrMimeEncoding;
    CMimeBody& part = message.AddPart();
    if (!part.SetField("Content-Type", type) || (utf8 && !part.SetCharset("UTF-8")) ||
        !part.SetField("Content-Transfer-Encoding", "base64") ||
        !part.SetParameter("Content-Disposition", "filename", FileNameOf(name), true))
        return kErrMimeEncoding;
    part.SetContent(std::string_view(reinterpret_cast<const char*>(document.data()), document.size()));
    const int length = message.GetLength();
    if (length <= 0) return kErrInternal;
    std::vector<BYTE> stored(static_cast<std::size_t>(length));
    const int written = message.Store(reinterpret_cast<char*>(stored.data()), length);
    if (written <= 0) return kErrInternal;
    stored.resize(static_cast<std::size_t>(written));
    out.swap(stored);
    return 0;
}

LONG ParseMimeDocument(const std::vector<BYTE>& message, std::vector<BYTE>& body, std::string& contentType) {
    CMimeMessage loaded;
    std::vector<CMimeBody*> parts;
    if (!LoadDocumentMessage(message, loaded) || loaded.GetLeafParts(parts) != 1) return kErrMimeDecoding;
    const CMimeBody& part = *parts.front();
    if (part.GetContentLength() > 0) {
        const auto* content = reinterpret_cast<const BYTE*>(part.GetContent());
        body.assign(content, content + part.GetContentLength());
        const char* value = part.GetFieldValue("Content-Type");
        contentType = MediaTypeOf(value ? value : "");
    }
    return 0;
}

std::string MediaTypeOf(std::string_view fieldValue) {
    const std::string_view type = fieldValue.substr(0, fieldValue.find(';'));
    const auto first = type.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(type.substr(first, type.find_last_not_of(" \t") - first + 1));
}
