// Bodies: content, child parts and storing.
#include <cstring>

#include "mime/mime_body.h"
#include "mime/mime_environment.h"

void CMimeBody::Clear() {
    CMimeHeader::Clear();
    m_content.clear();
    m_parts.clear();
}

void CMimeBody::SetContent(const char* text, int length) {
    if (!text) {
        m_content.clear();
        return;
    }
    m_content.assign(text, length > 0 ? static_cast<size_t>(length) : std::strlen(text));
}

void CMimeBody::SetContent(std::string_view bytes) {
    m_content.assign(bytes);
}

CMimeBody& CMimeBody::AddPart(std::unique_ptr<CMimeBody> part) {
    if (!part) part = std::make_unique<CMimeBody>();
    m_parts.push_back(std::move(part));
    return *m_parts.back();
}

CMimeBody* CMimeBody::GetPart(int index) const {
    return index >= 0 && index < GetPartCount() ? m_parts[static_cast<size_t>(index)].get() : nullptr;
}

int CMimeBody::FindPart(const CMimeBody* part) const {
    for (int i = 0; i < GetPartCount(); ++i)
        if (m_parts[static_cast<size_t>(i)].get() == part) return i;
    return -1;
}

bool CMimeBody::RemovePart(const CMimeBody* part) {
    const int index = FindPart(part);
    if (index < 0) return false;
    m_parts.erase(m_parts.begin() + index);
    return true;
}

int CMimeBody::GetLeafParts(std::vector<CMimeBody*>& leaves) {
    if (GetMediaType() != MEDIA_MULTIPART) {
        leaves.push_back(this);
        return 1;
    }
    int count = 0;
    for (const auto& part : m_parts) count += part->GetLeafParts(leaves);
    return count;
}

std::unique_ptr<CMimeCodeBase> CMimeBody::CreateContentCoder() const {
    const Field* encoding = FindField("Content-Transfer-Encoding");
    return CMimeEnvironment::CreateCoder(encoding ? std::string_view(encoding->value) : std::string_view());
}

std::optional<std::string> CMimeBody::StoreEntity() const {
    std::string out = StoreText();
    const size_t headerEnd = out.size();
    const auto coder = CreateContentCoder();
    coder->SetInput(m_content, true);
    const std::optional<std::string> content = coder->GetOutput();
    if (!content) return std::nullopt;
    out += *content;

    const std::string boundary = GetBoundary();
    for (const auto& part : m_parts) {
        // The line end that closes the header doubles as the first
        // delimiter's; one that ends a part's content stays its own.
        const bool takeBack = boundary.empty() || out.size() == headerEnd;
        if (takeBack && out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
        if (!boundary.empty()) out.append("\r\n--").append(boundary).append("\r\n");
        const std::optional<std::string> stored = part->StoreEntity();
        if (!stored) return std::nullopt;
        out += *stored;
    }
    if (!m_parts.empty() && !boundary.empty()) out.append("\r\n--").append(boundary).append("--\r\n");
    return out;
}

int CMimeBody::GetLength() const {
    const std::optional<std::string> stored = StoreEntity();
    return stored ? static_cast<int>(stored->size()) : -1;
}

int CMimeBody::Store(char* buffer, int size) const {
    const std::optional<std::string> stored = StoreEntity();
    if (!stored) return -1;
    if (size < 0 || stored->size() > static_cast<size_t>(size)) return 0;
    std::memcpy(buffer, stored->data(), stored->size());
    return static_cast<int>(stored->size());
}
