// A look at a document's markup, in one pass over its bytes, before libxml2
// reads it. The library spends time growing with the square of the
// attributes on one start tag and of the namespaces declared on the open
// elements (and RelaxNG validation the same in memory), so a document past
// these bounds is refused before the library sees any of it. Where the
// markup stops being one the look can follow (a character no document
// holds, a '<' where none may stand), only the bytes before that point are
// handed to the parser: the library never reads markup that was not
// counted, whatever it would make of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tesk::xml {

struct MarkupBounds {
    // On one start tag, namespace declarations included.
    static constexpr std::size_t kAttributes = 256;
    // Declared on the open elements together.
    static constexpr std::size_t kNamespaces = 256;
    // Open elements, as many as libxml2 itself takes.
    static constexpr std::size_t kDepth = 256;
    // Characters of one name.
    static constexpr std::size_t kName = 1000;
};

struct MarkupLook {
    // The leading bytes whose markup was followed: all of them, or those
    // before the point where it could no longer be.
    std::size_t followed = 0;
    // The line where the look stopped or refused.
    int line = 1;
    // Why the document is refused (a bound passed, an encoding whose markup
    // cannot be followed, an attribute declaration); empty when it is not.
    std::string refusal;
};

// `encoding` is the one the caller reads the bytes in, or null for the one
// the document gives (its byte order mark, its declaration).
MarkupLook LookAtMarkup(std::string_view bytes, const char* encoding);

}  // namespace tesk::xml
