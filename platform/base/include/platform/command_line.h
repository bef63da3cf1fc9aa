// Splitting a Windows command-line parameter text into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::commandLine {

// The Windows rules for the arguments after the program name: spaces and
// tabs separate arguments outside quotes; a '"' opens or closes a quoted
// part, and inside one "" stands for a '"'; 2n backslashes before a '"'
// give n backslashes and the '"' quotes, 2n+1 give n and a literal '"';
// other backslashes are literal.
std::vector<std::u16string> split(std::u16string_view text);

}  // namespace platform::commandLine
