// File helpers: existence, whole-file reads, and the folder of the program.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

// True when the file system reports attributes for the path (a folder
// counts); false for a null or empty path.
bool FileExists(const char* path);
// True only when the whole file was read into out: false for an empty path,
// a file that cannot be opened for shared reading, a file of 0 bytes or of
// 4 GiB and more, or a short read.
bool ReadFileToBuffer(const std::string& path, std::vector<BYTE>& out);
// ReadFileToBuffer into out as text; out receives what was read either way.
bool ReadFileToVector(const std::string& path, std::string& out);
// The folder of the running program's executable file (not of this
// library), without a trailing separator; false, out untouched, when the
// program's path cannot be had.
bool GetModuleDirectory(std::string& folder);
