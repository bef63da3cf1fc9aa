// The browser version the wizard's pages need.
#pragma once

#include <string>

namespace halvex {

// False only for a version below 5.5: major and minor are read as whole
// numbers ("10.0" is ten). A value that is missing, shorter than three
// characters, without a "." or not numeric cannot be judged and passes.
bool BrowserVersionSufficient(const std::u16string& version);

}  // namespace halvex
