// The version resource of a module: the fixed file information and the
// FileDescription (when given), FileVersion and ProductVersion texts of one
// language in Unicode, laid out
// as the tree of length-prefixed nodes that VerQueryValue walks.
#pragma once

#include <cstdint>
#include <string>

#include "resource_list.h"

namespace resource_compiler {

// `version` is "a", "a.b", "a.b.c" or "a.b.c.d" (each part 0..65535);
// `kind` is "app" or "dll"; `description` (UTF-8) may be empty. Resource 1
// of type VERSION, language neutral.
Resource versionResource(const std::string& version, std::uint16_t language, const std::string& kind,
                         const std::string& description);

}  // namespace resource_compiler
