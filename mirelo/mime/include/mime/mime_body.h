// A MIME entity: its header, its content (decoded bytes) and its child
// parts. CMimeMessage is the top-level entity.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/mime_coder.h"
#include "mime/mime_header.h"

class CMimeBody : public CMimeHeader {
public:
    CMimeBody() = default;
    CMimeBody(const CMimeBody&) = delete;
    CMimeBody& operator=(const CMimeBody&) = delete;

    void Clear() override;
    int GetLength() const override;
    // Stores the whole entity: the bytes written, 0 when they do not fit,
    // negative when its content cannot be coded.
    int Store(char* buffer, int size) const override;
    // Loads the whole entity from buffer: the bytes consumed, 0 for an empty
    // buffer, negative for a damaged entity (the body is then cleared).
    int Load(const char* buffer, int size) override;

    // The content; length 0 takes the text up to its terminating zero.
    void SetContent(const char* text, int length = 0);
    void SetContent(std::string_view bytes);
    // The content, always followed by a zero byte.
    const char* GetContent() const { return m_content.c_str(); }
    int GetContentLength() const { return static_cast<int>(m_content.size()); }
    // Writes the content to a file of the owner alone: beside it first,
    // then renamed onto it, so a file there is replaced only by a complete
    // one. 0, or the errno of the step that failed (ELOOP for a symbolic
    // link of that name, EINVAL for no file name), the file then as it was.
    int WriteContentToFile(const std::filesystem::path& file) const;

    // Adds a child part (a plain body when none is given) and returns it.
    CMimeBody& AddPart(std::unique_ptr<CMimeBody> part = nullptr);
    int GetPartCount() const { return static_cast<int>(m_parts.size()); }
    CMimeBody* GetPart(int index) const;
    // The index of a child part, -1 when it is none of them.
    int FindPart(const CMimeBody* part) const;
    bool RemovePart(const CMimeBody* part);
    // Collects the leaf parts: a multipart part's children, recursively, any
    // other part itself. Returns how many were collected.
    int GetLeafParts(std::vector<CMimeBody*>& leaves);

    // The entity as stored; std::nullopt when its content cannot be coded.
    std::optional<std::string> StoreEntity() const;

private:
    int LoadEntity(std::string_view text, int depth, size_t& partsLeft);
    // The coder of this body's "Content-Transfer-Encoding".
    std::unique_ptr<CMimeCodeBase> CreateContentCoder() const;

    std::string m_content;
    std::vector<std::unique_ptr<CMimeBody>> m_parts;
};

class CMimeMessage : public CMimeBody {};
