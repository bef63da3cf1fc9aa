// Helpers of the MIME tests: storing and loading whole entities, and
// Python's email package as the second reader and writer.
#pragma once

#include <string>

#include "mime/mime_body.h"

namespace mime_test {

// The entity as stored (the test fails when it cannot be).
std::string Stored(const CMimeBody& body);
// Loads text into body and returns the load's result.
int LoadText(CMimeBody& body, const std::string& text);
// Runs a Python script with `input` on its standard input (as bytes in
// sys.stdin.buffer); returns what it printed, the test failing when it
// exits with an error.
std::string Python(const std::string& script, const std::string& input = {});
std::string Hex(const std::string& bytes);

}  // namespace mime_test
