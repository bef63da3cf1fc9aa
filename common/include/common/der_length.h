// The length field of a DER element.
#pragma once

#include "win32/types.h"

// The number of bytes of the length field at bytes, or 0 when it is not one
// this code reads: short form, or long form with one to three length bytes,
// all within available. *length, when given, receives the decoded length.
DWORD DecodeDerLength(const BYTE* bytes, DWORD available, DWORD* length);
