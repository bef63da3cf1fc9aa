// The number ShellExecute returns in place of an instance handle.
#pragma once

#include "win32/shell.h"

inline int resultOf(HINSTANCE h) { return static_cast<int>(reinterpret_cast<INT_PTR>(h)); }
