// Paths that come from outside (a server's file list, the delete list) and
// are taken relative to a folder of ours, and the entries of a folder walk.
#pragma once

#include <cstddef>
#include <string_view>

namespace lumvar {

namespace detail {
template <class Char>
bool staysInside(std::basic_string_view<Char> path) {
    const auto isSeparator = [](Char c) { return c == Char('\\') || c == Char('/'); };
    if (path.empty() || isSeparator(path.front()) || path.find(Char(':')) != path.npos) return false;
    bool namesEntry = false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const auto part = path.substr(start, end - start);
        if (part.size() == 2 && part[0] == Char('.') && part[1] == Char('.')) return false;
        if (!part.empty() && !(part.size() == 1 && part[0] == Char('.'))) namesEntry = true;
        start = end + 1;
    }
    return namesEntry;
}
}  // namespace detail

// True when the path names an entry below the folder it is appended to: no
// leading separator, no ':' (a drive or a stream), no ".." part, and a part
// other than "." (so "", "." or ".\" naming the folder itself is refused);
// both separators count.
inline bool staysInside(std::u16string_view path) { return detail::staysInside(path); }
inline bool staysInside(std::string_view path) { return detail::staysInside(path); }

// "." and ".." of a folder listing.
inline bool isDotEntry(const char16_t* name) {
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

}  // namespace lumvar
