// The C++ header of a type library: its GUIDs, enumerations, and each
// interface as an abstract class in vtable order, for the server that
// implements it and the clients that call it.
#pragma once

#include <string>

#include "typelib_model.h"

namespace typelib_compiler {

std::string writeHeader(const platform::com::typelib::Library& library, const std::string& source);

}  // namespace typelib_compiler
