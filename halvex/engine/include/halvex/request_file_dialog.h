// The dialog that picks a saved renewal request to load.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

// A file-open dialog offering "*.req" files (and all files); the file and
// its folder must exist. It starts in the folder of the path given (the
// file chosen before), else in the user's Documents folder. True with the
// chosen path; false when the user cancelled or the dialog failed.
bool OpenRequestFileDialog(HWND owner, std::u16string& path);

}  // namespace halvex
