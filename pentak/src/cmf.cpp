// cmf.cpp: the CMF blob and the cutting of CMF text into blocks.
#include "cmf.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "common/pem.h"

namespace {

constexpr BYTE kMagic[] = {'T', 'S', 'K', 'C', 'M', 'F'};
constexpr std::size_t kMagicSize = sizeof kMagic;
constexpr std::size_t kLengthFieldEnd = kMagicSize + 4;
constexpr DWORD kBase64Flags = 6;  // decode, armour lines allowed

constexpr char16_t kBlockEnd[] = u"-----END";
constexpr char16_t kCmfBlockEnd[] = u"-----END CMF-----";

}  // namespace

bool IsCmf(const std::vector<BYTE>& blob, std::vector<BYTE>& out) {
    if (blob.size() <= kMagicSize || !std::equal(kMagic, kMagic + kMagicSize, blob.begin())) return false;
    std::size_t start = kMagicSize;
    if (blob.size() > kLengthFieldEnd) {
        const std::uint64_t headerLength = static_cast<std::uint64_t>(blob[6]) | static_cast<std::uint64_t>(blob[7]) << 8 |
                                           static_cast<std::uint64_t>(blob[8]) << 16 |
                                           static_cast<std::uint64_t>(blob[9]) << 24;
        // In 64 bits, so that a length near 2^32 cannot wrap past the end.
        if (kLengthFieldEnd + headerLength >= blob.size()) return false;
        start = kLengthFieldEnd + static_cast<std::size_t>(headerLength);
    }
    out.assign(blob.begin() + static_cast<std::ptrdiff_t>(start), blob.end());
    return true;
}

std::vector<std::u16string> CutCmfTextIntoBlocks(const std::u16string& text) {
    std::vector<std::u16string> blocks;
    std::u16string block;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t lineEnd = std::min(text.find(u'\n', lineStart), text.size());
        const std::u16string_view line(text.data() + lineStart, lineEnd - lineStart);
        block.append(line);
        block += u'\n';
        if (line.find(kBlockEnd) != std::u16string_view::npos) blocks.push_back(std::exchange(block, {}));
        lineStart = lineEnd + 1;
    }
    return blocks;
}

std::vector<std::u16string> SplitArmouredItems(const std::u16string& text) {
    std::vector<std::u16string> items = CutCmfTextIntoBlocks(text);
    if (items.empty()) items.push_back(text);
    return items;
}

bool CmfTextToCertificates(const std::u16string& text, std::vector<std::vector<BYTE>>& out) {
    std::vector<std::vector<BYTE>> certificates;
    for (const std::u16string& block : SplitArmouredItems(text)) {
        std::vector<BYTE> bytes;
        if (!TAsn1Coder::StringToBinary(block, bytes, kBase64Flags)) return false;
        if (block.find(kCmfBlockEnd) != std::u16string::npos) {
            std::vector<BYTE> certificate;
            if (!IsCmf(bytes, certificate)) return false;
            bytes = std::move(certificate);
        }
        certificates.push_back(std::move(bytes));
    }
    out = std::move(certificates);
    return true;
}
