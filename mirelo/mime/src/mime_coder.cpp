// The copying coder and the folding 7bit coder.
#include <cstring>

#include "mime/mime_coder.h"
#include "mime_text.h"

void CMimeCodeBase::SetInput(std::string_view input, bool encoding) {
    m_input = input;
    m_encoding = encoding;
}

std::optional<std::string> CMimeCodeBase::GetOutput() const {
    if (m_encoding) return Encode(m_input);
    return Decode(m_input);
}

int CMimeCodeBase::GetOutputLength() const {
    const std::optional<std::string> output = GetOutput();
    return output ? static_cast<int>(output->size()) : -1;
}

int CMimeCodeBase::GetOutput(char* buffer, int size) const {
    const std::optional<std::string> output = GetOutput();
    if (!output || size < 0 || output->size() > static_cast<size_t>(size)) return -1;
    if (!output->empty()) std::memcpy(buffer, output->data(), output->size());
    return static_cast<int>(output->size());
}

std::string CMimeCodeBase::Encode(std::string_view input) const {
    return std::string(input);
}

std::optional<std::string> CMimeCodeBase::Decode(std::string_view input) const {
    return std::string(input);
}

std::string CMimeCode7bit::Encode(std::string_view input) const {
    std::string out;
    out.reserve(input.size());
    mime_text::LineFolder folder(out, "\r\n", 0);
    folder.Put(input);
    return out;
}
