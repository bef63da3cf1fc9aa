// The emulated registry under a key as a set of lines, for comparing what
// a program wrote with what it should have written: "path [name] = text"
// for each value (other types than REG_SZ as "type N"), and the path alone
// for a key that holds nothing.
#pragma once

#include <set>
#include <string>

#include "win32/registry.h"

namespace testkit {

std::set<std::string> registryLines(HKEY root, const std::u16string& path = u"");

}  // namespace testkit
