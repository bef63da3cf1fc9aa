// The generated assembler source: the resource table under its exported
// name, the names as UTF-16, string blocks as data and every file through
// .incbin, so that megabytes cost the assembler nothing.
#pragma once

#include <ostream>
#include <vector>

#include "resource_list.h"

namespace resource_compiler {

void writeAssembly(std::ostream& out, const std::vector<Resource>& resources);

}  // namespace resource_compiler
