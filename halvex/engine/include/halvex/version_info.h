// Version texts and numbers from a program file's version block.
#pragma once

#include <string>

#include "halvex/text_utils.h"

namespace halvex {

// The value `name` ("FileVersion") of the file's version block, in the
// block's first translation, or in the user's language with code page 1200
// when the block lists none. Empty on any failure.
std::u16string GetFileVersionString(const std::u16string& file, const std::u16string& name);
// The same from the program's own file.
std::u16string GetFileVersionString(const std::u16string& name);
// The program's "FileVersion" as four numbers.
VersionNumbers GetFileVersionNumbers();

}  // namespace halvex
