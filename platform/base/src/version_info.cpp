// GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW. The block
// is a tree of nodes: length in bytes, value length, type, a NUL-terminated
// UTF-16 key, then the value and the children, each on a 32-bit boundary.
// Every length is checked against the node that holds it, so a damaged block
// gives "not found" and never a read outside it.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "caller_text.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "version_file.h"
#include "win32/version.h"

namespace {

constexpr std::size_t kHeaderBytes = 6;

std::size_t alignDword(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

WORD wordAt(const BYTE* p) {
    WORD w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

struct Node {
    const BYTE* start;
    std::size_t length;  // bytes of the whole node
    std::u16string_view key;
    const BYTE* value;
    std::size_t valueBytes;
    bool text;
    std::size_t childrenOffset;
};

// The node at the start of `room`, or false when it does not fit.
bool readNode(const BYTE* start, std::size_t room, Node& node) {
    if (room < kHeaderBytes) return false;
    const std::size_t length = wordAt(start);
    const WORD valueLength = wordAt(start + 2);
    const bool text = wordAt(start + 4) == 1;
    if (length < kHeaderBytes || length > room) return false;
    std::size_t at = kHeaderBytes;
    std::size_t keyUnits = 0;
    for (;; ++keyUnits, at += 2) {
        if (at + 2 > length) return false;
        if (wordAt(start + at) == 0) break;
    }
    const std::u16string_view key(reinterpret_cast<const char16_t*>(start + kHeaderBytes), keyUnits);
    const std::size_t valueAt = std::min(alignDword(at + 2), length);
    const std::size_t valueBytes = std::min<std::size_t>(text ? valueLength * 2u : valueLength, length - valueAt);
    node = {start, length, key, start + valueAt, valueBytes, text, std::min(alignDword(valueAt + valueBytes), length)};
    return true;
}

// The child of `parent` whose key is `name`, compared without regard to case.
bool findChild(const Node& parent, std::u16string_view name, Node& found) {
    std::size_t at = parent.childrenOffset;
    while (at < parent.length) {
        Node child;
        if (!readNode(parent.start + at, parent.length - at, child)) return false;
        if (platform::text::equalsNoCase(child.key, name)) {
            found = child;
            return true;
        }
        at = alignDword(at + child.length);
    }
    return false;
}

[[noreturn]] void notFound() { throw platform::WinError(ERROR_RESOURCE_TYPE_NOT_FOUND, "no such version value"); }

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) noexcept {
    if (lpdwHandle) *lpdwHandle = 0;
    return platform::winValue<DWORD>(0, [&] {
        return static_cast<DWORD>(
            platform::resources::versionBlockOfFile(platform::files::pathArg(lptstrFilename)).size());
    });
}

BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) noexcept {
    return platform::winBool([&] {
        if (!lpData) throw platform::WinError(ERROR_INVALID_PARAMETER, "no buffer");
        const auto block = platform::resources::versionBlockOfFile(platform::files::pathArg(lptstrFilename));
        const std::size_t copied = std::min<std::size_t>(dwLen, block.size());
        std::memcpy(lpData, block.data(), copied);
        if (copied < block.size() && copied >= 2) {
            const WORD shortened = static_cast<WORD>(std::min<std::size_t>(copied, wordAt(block.data())));
            std::memcpy(lpData, &shortened, sizeof shortened);
        }
        return true;
    });
}

BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) noexcept {
    return platform::winBool([&] {
        if (!pBlock || !lpSubBlock || !lplpBuffer || !puLen)
            throw platform::WinError(ERROR_INVALID_PARAMETER, "missing argument");
        const auto* start = static_cast<const BYTE*>(pBlock);
        Node node;
        if (!readNode(start, wordAt(start), node)) notFound();
        std::u16string_view path(lpSubBlock);
        while (!path.empty()) {
            const std::size_t part = path.find_first_not_of(u'\\');
            if (part == std::u16string_view::npos) break;
            path.remove_prefix(part);
            const std::size_t end = std::min(path.find(u'\\'), path.size());
            if (!findChild(node, path.substr(0, end), node)) notFound();
            path.remove_prefix(end);
        }
        if (node.valueBytes == 0) notFound();
        *lplpBuffer = const_cast<BYTE*>(node.value);
        *puLen = static_cast<UINT>(node.text ? node.valueBytes / 2 : node.valueBytes);
        return true;
    });
}
