// Where the registry says a class lives: HKCR\CLSID\{...} and the ProgIDs.
#pragma once

#include <filesystem>
#include <string>

#include "win32/com.h"

namespace platform::com {

// The InprocServer32 module of a class; WinError(REGDB_E_CLASSNOTREG) when
// the class or its in-process server is not registered.
std::u16string inprocServerOf(const CLSID& clsid);

}  // namespace platform::com
