// Loading a whole entity: header, own content, then the parts between the
// delimiter lines of its boundary (RFC 2046 section 5.1.1).
#include "mime/mime_body.h"
#include "mime/mime_environment.h"
#include "mime_text.h"

namespace {

// Nesting and part counts beyond anything real; deeper or wider input is
// refused instead of exhausting the stack or the heap. A boundary is at
// most 70 characters (RFC 2046 section 5.1.1).
constexpr int kMaxDepth = 32;
constexpr size_t kMaxParts = 1000;
constexpr size_t kMaxBoundary = 70;

// The next delimiter ("\r\n--" boundary, then "--", blanks or a line end)
// at or after `from`, or npos.
size_t FindDelimiter(std::string_view text, std::string_view boundary, size_t from) {
    const std::string marker = "\r\n--" + std::string(boundary);
    for (size_t at = text.find(marker, from); at != std::string_view::npos; at = text.find(marker, at + 1)) {
        const size_t after = at + marker.size();
        if (after == text.size() || text[after] == '-' || text[after] == '\r' || text[after] == '\n' ||
            mime_text::IsBlank(static_cast<unsigned char>(text[after])))
            return at;
    }
    return std::string_view::npos;
}

// The start of the line after `at`.
size_t NextLine(std::string_view text, size_t at) {
    const size_t end = text.find('\n', at);
    return end == std::string_view::npos ? text.size() : end + 1;
}

}  // namespace

int CMimeBody::Load(const char* buffer, int size) {
    Clear();
    if (!buffer || size <= 0) return 0;
    size_t partsLeft = kMaxParts;
    const int result = LoadEntity(std::string_view(buffer, static_cast<size_t>(size)), 0, partsLeft);
    if (result < 0) Clear();
    return result;
}

int CMimeBody::LoadEntity(std::string_view text, int depth, size_t& partsLeft) {
    if (depth > kMaxDepth) return -1;
    const int headerLength = CMimeHeader::Load(text.data(), static_cast<int>(text.size()));
    if (headerLength < 0) return headerLength;
    const size_t contentStart = static_cast<size_t>(headerLength);

    const std::string boundary = GetMediaType() == MEDIA_MULTIPART ? GetBoundary() : std::string();
    if (boundary.size() > kMaxBoundary) return -1;
    // A delimiter right after the header's empty line shares its line end.
    size_t delimiter = boundary.empty() ? std::string_view::npos
                                        : FindDelimiter(text, boundary, contentStart >= 2 ? contentStart - 2 : 0);
    const size_t contentEnd = delimiter == std::string_view::npos ? text.size() : std::max(delimiter, contentStart);

    const auto coder = CreateContentCoder();
    coder->SetInput(text.substr(contentStart, contentEnd - contentStart), false);
    std::optional<std::string> content = coder->GetOutput();
    if (!content) return -1;
    m_content = std::move(*content);

    const size_t markerLength = 4 + boundary.size();
    while (delimiter != std::string_view::npos) {
        const size_t after = delimiter + markerLength;
        if (text.compare(after, 2, "--") == 0) return static_cast<int>(NextLine(text, after));
        const size_t partStart = NextLine(text, after);
        delimiter = FindDelimiter(text, boundary, partStart >= 2 ? partStart - 2 : 0);
        const size_t partEnd = delimiter == std::string_view::npos ? text.size() : std::max(delimiter, partStart);
        if (partsLeft-- == 0) return -1;

        const std::string_view partText = text.substr(partStart, partEnd - partStart);
        CMimeHeader partHeader;
        if (partHeader.Load(partText.data(), static_cast<int>(partText.size())) < 0) return -1;
        CMimeBody& part = AddPart(CMimeEnvironment::CreateBodyPart(partHeader.GetMainType()));
        const int loaded = part.LoadEntity(partText, depth + 1, partsLeft);
        if (loaded < 0) {
            RemovePart(&part);
            return loaded;
        }
    }
    return static_cast<int>(text.size());
}
