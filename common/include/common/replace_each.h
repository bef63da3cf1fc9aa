// Replacing every occurrence of a pattern in one pass: the result is built
// by appending, so the cost grows with the text, never with its square.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// Replaces the occurrences of `from`, left to right, by `to`. After each
// replacement the search goes on `resume` characters from where the
// replacement starts (negative: that many before it; the replacement's
// length: after it), so occurrences that the replacement makes with the
// text around it are found as when searching the changed text again. The
// caller sees to it that the search ends: a search that goes on inside the
// replacement needs a `to` that does not hold `from`. An empty `from`
// changes nothing.
template <class Char>
void ReplaceEach(std::basic_string<Char>& text, std::basic_string_view<Char> from, std::basic_string_view<Char> to,
                 std::ptrdiff_t resume) {
    using View = std::basic_string_view<Char>;
    if (from.empty()) return;
    const std::basic_string<Char> source = std::move(text);
    const View input(source);
    std::basic_string<Char>& out = text;
    out.clear();
    out.reserve(input.size());
    std::size_t read = 0;           // input before this is in out
    std::size_t check = out.size(); // the first place in out that a match may start at
    // A match starting in out at p, in out's characters and then the input's.
    const auto startsAt = [&](std::size_t p) {
        const std::size_t inOut = std::min(out.size() - p, from.size());
        return View(out).substr(p, inOut) == from.substr(0, inOut) &&
               input.substr(read).starts_with(from.substr(inOut));
    };
    while (true) {
        std::size_t at = check;
        while (at < out.size() && !startsAt(at)) ++at;
        if (at < out.size()) {
            const std::size_t inOut = out.size() - at;
            if (inOut >= from.size()) {
                out.replace(at, from.size(), to);
            } else {
                read += from.size() - inOut;
                out.resize(at);
                out.append(to);
            }
        } else {
            const std::size_t found = input.find(from, read);
            if (found == View::npos) break;
            out.append(input.substr(read, found - read));
            read = found + from.size();
            at = out.size();
            out.append(to);
        }
        check = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(at) + resume));
    }
    out.append(input.substr(read));
}
