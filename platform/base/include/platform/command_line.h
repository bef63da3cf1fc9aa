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

// A whole command line's program and the text of its arguments: the
// program name ends at the first blank outside quotes, its quotes are
// dropped and backslashes are plain characters; the rest starts after the
// blanks that follow it.
struct ProgramAndArguments {
    std::u16string program;
    std::u16string arguments;
};
ProgramAndArguments splitProgram(std::u16string_view line);

// The argument as split() gives it back: quoted when it is empty or holds
// a blank, tab or quote, with the backslashes before a quote doubled.
std::u16string quote(std::u16string_view argument);

}  // namespace platform::commandLine
