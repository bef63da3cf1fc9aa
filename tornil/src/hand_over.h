// What the upgrade client leaves for the upgrade process: the file "conf"
// beside the program, four lines in UTF-8: the program folder, the download
// area, the language (0, 1, 2) and the client's process id.
#pragma once

#include <optional>
#include <string>

#include "lumvar/config.h"
#include "win32/types.h"

namespace tornil {

struct HandOver {
    lumvar::Config config;  // ProgramPath, DownloadPath and Lang
    DWORD clientId = 0;
};

// The folder of the running program, with a final separator; empty when it
// cannot be had.
std::u16string ownFolder();

// Reads and checks the file, logging each value and each fault. A
// language that could be read goes to *language even when a later line
// fails. Nothing when the file cannot be read or a line is missing or
// wrong: the folders must be absolute, the language 0 to 2, the id a
// positive number.
std::optional<HandOver> readHandOver(const std::u16string& file, int* language);

}  // namespace tornil
