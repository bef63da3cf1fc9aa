// Parameters of the open key context and of its key pairs, read for the
// request (size first, then the bytes). A failing call records its line in
// the diagnostic text and keeps its error as the thread's last error.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_types.h"

// A provider parameter of at most `room` bytes, read in one call.
bool ReadProviderParamStep(HCRYPTPROV provider, DWORD param, DWORD room, std::vector<BYTE>& out, int line);
// A provider parameter of any length.
bool ReadProviderParamStep(HCRYPTPROV provider, DWORD param, std::vector<BYTE>& out, int sizeLine, int dataLine);
// A text parameter (PP_NAME, PP_CONTAINER) in the ANSI code page, without
// its terminator.
bool ReadProviderTextStep(HCRYPTPROV provider, DWORD param, std::string& out, int sizeLine, int dataLine);
// A parameter of the provider's key pair of that spec, read with flags.
bool ReadUserKeyParamStep(HCRYPTPROV provider, DWORD keySpec, DWORD param, DWORD flags, std::vector<BYTE>& out,
                          int keyLine, int sizeLine, int dataLine);
