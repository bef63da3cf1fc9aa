#include "key_path.h"

#include "platform/text.h"
#include "platform/win_error.h"

namespace platform::registry {

KeyPath parseKeyPath(std::u16string_view text) {
    KeyPath path;
    if (text.empty()) return path;
    if (text.front() == u'\\') throw WinError(ERROR_BAD_PATHNAME, "subkey path begins with a backslash");
    if (text.back() == u'\\') text.remove_suffix(1);
    while (true) {
        const auto end = text.find(u'\\');
        const auto name = text.substr(0, end);
        if (name.empty()) throw WinError(ERROR_INVALID_PARAMETER, "empty key name in path");
        if (name.size() > kMaxKeyNameChars) throw WinError(ERROR_INVALID_PARAMETER, "key name too long");
        path.emplace_back(name);
        if (end == std::u16string_view::npos) return path;
        text.remove_prefix(end + 1);
    }
}

KeyPath joined(const KeyPath& first, const KeyPath& second) {
    KeyPath path = first;
    path.insert(path.end(), second.begin(), second.end());
    return path;
}

std::u16string folded(std::u16string_view name) { return text::toLower(name); }

}  // namespace platform::registry
