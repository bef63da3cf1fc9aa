// Reading a type-library description (the text a module's interfaces,
// enumerations and co-classes are written down in once; see the README of
// platform/com for the syntax).
#pragma once

#include <string>
#include <string_view>

#include "typelib_model.h"

namespace typelib_compiler {

// Throws typelib::FormatError with "line N: what" for anything it cannot read.
platform::com::typelib::Library parseDescription(std::string_view text);

}  // namespace typelib_compiler
