// The program's version notes ("Versions.xml", UTF-8): under a root of any
// name, "version" elements (attribute "val", a dotted version) hold
// "change" elements (attribute "lang") that hold "entry" elements
// (attribute "title", the text as content).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "halvex/text_utils.h"

namespace halvex {

struct VersionNote {
    std::u16string title;
    std::u16string text;
};

// The entries, in file order, of the changes in `language` of the versions
// above `after` and not above `upTo`; nothing when the file cannot be read
// or is not well-formed XML (files above 1 MiB are not read).
std::optional<std::vector<VersionNote>> ReadVersionNotes(const std::u16string& file, const VersionNumbers& after,
                                                         const VersionNumbers& upTo, const std::u16string& language);

}  // namespace halvex
