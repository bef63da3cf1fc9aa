// String tables from UTF-8 text: one "id<TAB>text" per line, with the
// escapes \n, \t and \\ in the text. Empty lines are skipped; a byte-order
// mark at the start and CR before LF are allowed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "resource_list.h"

namespace resource_compiler {

using StringTable = std::map<std::uint16_t, std::u16string>;

// Throws InputError with the file and line of the first mistake.
StringTable readStringFile(const std::filesystem::path& file);
// Adds the strings to the table of their language; an id given twice is an error.
void mergeStrings(StringTable& into, const StringTable& more, const std::filesystem::path& file);
// The RT_STRING blocks of one language: name (id / 16) + 1, sixteen
// length-prefixed UTF-16 texts each.
std::vector<Resource> stringBlocks(const StringTable& table, std::uint16_t language);

}  // namespace resource_compiler
