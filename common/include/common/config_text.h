// Lookups in configuration texts of "[section]" headers and "key=value"
// lines. Each lookup rewinds the stream, so one stream serves many.
#pragma once

#include <istream>
#include <string>

#include "win32/types.h"

// The value of the first line of the section that begins with key + "="
// (everything after the "=", blanks included). The section is the first
// header line equal to "[" + section + "]" exactly; the search ends at the
// next header. Line ends (LF, then CR) are cut off and empty lines skipped.
// value is set only when the key is found.
bool CfgGetValue(std::istream& in, const std::string& section, const std::string& key, std::string& value);
// The value read as a signed decimal integer (leading blanks skipped, the
// first character that cannot continue the number ends it). True whenever
// the key is found: a value that does not begin with a number reads as 0,
// one out of range as INT's nearest limit. A missing key leaves value alone.
bool CfgGetIntValue(std::istream& in, const std::string& section, const std::string& key, INT& value);
