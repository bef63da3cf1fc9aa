// The wildcards by which the container's entries are found (the archive's
// syntax: "[0-9]" one digit, "*" any run, "\\" one backslash) and the
// stamp that names new entries.
#pragma once

#include <string>

namespace kydnames {

// "YYYYMMDDhhmmssZ" of the layer's clock, in UTC.
std::string utcStamp();
// prefix, fourteen digits, "Z", any run, "." and the extension.
std::string stampedPattern(const std::string& prefix, const char* extension);

inline const std::string kFolderPattern = stampedPattern("D", nullptr);
inline const std::string kSignaturePattern = stampedPattern("S", "p7s");
inline const std::string kPolicyPattern = stampedPattern("Policy\\\\P", "der");
inline const std::string kEnvelopePattern = stampedPattern("A", "p7m");
inline const std::string kMessagePattern = stampedPattern("M", "eml");
inline const std::string kAnyPattern = "*";

}  // namespace kydnames
