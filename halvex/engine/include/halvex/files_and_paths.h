// Whole text files and the program's own paths.
#pragma once

#include <string>

namespace halvex {

// Reads the file whole (bytes kept as they are) and converts it from the
// ANSI code page (Windows-1250) to wide text; false for an empty path or a
// file that cannot be read.
bool ReadFileToText(const std::u16string& path, std::u16string& text);
// Writes the text as UTF-8 without a byte-order mark beside the file
// ("<path>.tmp") and renames it over the file, so the file is never left
// half-written; false for an empty path or a write error, the file then
// as it was.
bool WriteTextToFile(const std::u16string& path, const std::u16string& text);

// The full path of the program file; its folder (without the last
// separator); its name after the last separator, cut before its last ".exe".
std::u16string GetModulePath();
std::u16string GetProgramFolder();
std::u16string GetProgramName();
// The current folder; empty when it cannot be read or is longer than 259
// characters.
std::u16string GetCurrentDir();
// The user's Documents folder, made when missing; empty when there is none.
std::u16string GetDocumentsFolder();

}  // namespace halvex
