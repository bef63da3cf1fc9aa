// Header fields: finding, setting, storing and loading them.
#include <cstring>

#include "mime/mime_environment.h"
#include "mime/mime_header.h"
#include "mime_parameters.h"
#include "mime_text.h"

namespace {

// More fields than any real entity has; a header beyond it is refused
// rather than held field by field.
constexpr size_t kMaxFields = 1000;

bool LineEndAt(std::string_view text, size_t i) {
    return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

// A value may break its line only where the next line continues it.
bool OnlyFoldedBreaks(std::string_view value) {
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\r' && value[i] != '\n') continue;
        if (!LineEndAt(value, i) || i + 2 >= value.size() ||
            !mime_text::IsBlank(static_cast<unsigned char>(value[i + 2])))
            return false;
        ++i;
    }
    return true;
}

}  // namespace

void CMimeHeader::Clear() {
    m_fields.clear();
}

const CMimeHeader::Field* CMimeHeader::FindField(std::string_view name) const {
    for (const Field& field : m_fields)
        if (mime_text::EqualNoCase(field.name, name)) return &field;
    return nullptr;
}

const char* CMimeHeader::GetFieldValue(std::string_view name, int* length) const {
    const Field* field = FindField(name);
    if (!field) return nullptr;
    if (length) *length = static_cast<int>(field->value.size());
    return field->value.c_str();
}

bool CMimeHeader::SetField(std::string_view name, std::string_view value, std::string_view charset) {
    if (name.empty() || !OnlyFoldedBreaks(value)) return false;
    for (const char c : name)
        if (c == ':' || mime_text::IsSpace(static_cast<unsigned char>(c))) return false;
    Field replacement{std::string(name), std::string(value), std::string(charset)};
    for (Field& field : m_fields) {
        if (mime_text::EqualNoCase(field.name, name)) {
            field = std::move(replacement);
            return true;
        }
    }
    m_fields.push_back(std::move(replacement));
    return true;
}

bool CMimeHeader::SetParameter(std::string_view fieldName, std::string_view name, std::string_view value, bool quote) {
    if (value.find_first_of("\r\n") != std::string_view::npos || name.empty()) return false;
    const std::string written = mime_parameters::Quote(value, quote);
    const Field* field = FindField(fieldName);
    if (!field) return SetField(fieldName, std::string(name) + "=" + written);
    std::string text = field->value;
    if (const auto span = mime_parameters::Find(text, name)) {
        text.replace(span->start, span->length, written);
    } else {
        text.append("; ").append(name).append("=").append(written);
    }
    return SetField(field->name, text, field->charset);
}

bool CMimeHeader::GetParameter(std::string_view fieldName, std::string_view name, std::string& value) const {
    value.clear();
    const Field* field = FindField(fieldName);
    if (!field) return false;
    const auto span = mime_parameters::Find(field->value, name);
    if (!span) return false;
    value = mime_parameters::Unquote(std::string_view(field->value).substr(span->start, span->length));
    return true;
}

std::string CMimeHeader::GetFileName() const {
    std::string name;
    GetParameter("Content-Disposition", "filename", name);
    return name;
}

bool CMimeHeader::SetCharset(std::string_view charset) {
    if (!FindField("Content-Type") && !SetField("Content-Type", "text/plain")) return false;
    return SetParameter("Content-Type", "charset", charset, false);
}

std::string CMimeHeader::GetMainType() const {
    const Field* field = FindField("Content-Type");
    if (!field) return "text";
    const std::string_view value = field->value;
    return std::string(mime_text::TrimBlanks(value.substr(0, value.find_first_of("/;"))));
}

MimeMediaType CMimeHeader::GetMediaType() const {
    static constexpr const char* kTypes[] = {"text", "image", "audio", "video", "application", "multipart", "message"};
    const std::string main = GetMainType();
    for (int i = 0; i < MEDIA_UNKNOWN; ++i)
        if (mime_text::EqualNoCase(main, kTypes[i])) return static_cast<MimeMediaType>(i);
    return MEDIA_UNKNOWN;
}

std::string CMimeHeader::GetBoundary() const {
    std::string boundary;
    GetParameter("Content-Type", "boundary", boundary);
    return boundary;
}

std::string CMimeHeader::StoreText() const {
    const std::string defaultCharset = CMimeEnvironment::GetDefaultCharset();
    const bool fold = CMimeEnvironment::AutoFolding();
    std::string out;
    for (const Field& field : m_fields) {
        const size_t lineStart = out.size();
        out.append(field.name).append(": ");
        const std::string& charset = field.charset.empty() ? defaultCharset : field.charset;
        CMimeEnvironment::CreateFieldCoder(field.name)->Encode(out, lineStart, field.value, charset, fold);
        out += "\r\n";
    }
    out += "\r\n";
    return out;
}

int CMimeHeader::GetLength() const {
    return static_cast<int>(StoreText().size());
}

int CMimeHeader::Store(char* buffer, int size) const {
    const std::string text = StoreText();
    if (size < 0 || text.size() > static_cast<size_t>(size)) return 0;
    std::memcpy(buffer, text.data(), text.size());
    return static_cast<int>(text.size());
}

int CMimeHeader::Load(const char* buffer, int size) {
    m_fields.clear();
    if (!buffer || size <= 0) return 0;
    const std::string_view text(buffer, static_cast<size_t>(size));
    const bool unfold = CMimeEnvironment::AutoFolding();
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '\r' || text[at] == '\n') {  // the empty line that ends the header
            at += LineEndAt(text, at) ? 2 : 1;
            break;
        }
        size_t lineEnd = text.find("\r\n", at);
        if (mime_text::IsBlank(static_cast<unsigned char>(text[at])) && m_fields.empty()) {
            at = lineEnd == std::string_view::npos ? text.size() : lineEnd + 2;
            continue;
        }
        // The value runs to the first line end that no blank continues.
        while (lineEnd != std::string_view::npos && lineEnd + 2 < text.size() &&
               mime_text::IsBlank(static_cast<unsigned char>(text[lineEnd + 2])))
            lineEnd = text.find("\r\n", lineEnd + 2);
        const size_t fieldEnd = lineEnd == std::string_view::npos ? text.size() : lineEnd;
        const std::string_view line = text.substr(at, fieldEnd - at);
        const size_t colon = line.find(':');
        std::string_view name, value = line;
        if (colon != std::string_view::npos) {
            name = line.substr(0, colon);
            value = line.substr(colon + 1);
            while (!value.empty() && mime_text::IsBlank(static_cast<unsigned char>(value.front())))
                value.remove_prefix(1);
        }
        if (m_fields.size() == kMaxFields) {
            m_fields.clear();
            return -1;
        }
        CFieldCodeBase::Decoded decoded = CMimeEnvironment::CreateFieldCoder(name)->Decode(value, unfold);
        m_fields.push_back({std::string(name), std::move(decoded.value), std::move(decoded.charset)});
        at = lineEnd == std::string_view::npos ? text.size() : lineEnd + 2;
    }
    return static_cast<int>(at);
}
