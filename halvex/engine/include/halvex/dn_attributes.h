// Distinguished-name attributes as the renewal program names them: the
// attribute number of an OID, and the short, display (Czech, a string
// resource) and long names of a number.
#pragma once

#include <string>

namespace halvex {

// The attribute number of a dotted OID; 0 when it is not one of ours.
int DnAttrNumber(const std::string& oid);

struct DnAttrName {
    std::u16string shortName;
    std::u16string display;
    std::u16string longName;
};
// "???" in all three for a number without names.
DnAttrName DnAttrNames(int number);

}  // namespace halvex
