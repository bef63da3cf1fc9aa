// Base64 codec (RFC 4648 alphabet) over caller-supplied buffers, with PEM
// armour skipping on decode. It allocates nothing: callers ask for the size
// first (null output), allocate, and call again.
#pragma once

#include "win32/types.h"

// Flag bits of Base64Codec; every other bit is ignored.
inline constexpr DWORD BASE64_ENCODE = 1;        // wins over BASE64_DECODE
inline constexpr DWORD BASE64_DECODE = 2;
inline constexpr DWORD BASE64_LF_ONLY = 4;       // encode: lines end in LF, not CR LF
inline constexpr DWORD BASE64_NO_LINE_BREAKS = 16;  // encode: one long line

// Output size of an encoding, terminating NUL included. A lineLength below
// 4 means no line breaks. 0 when the size does not fit in 32 bits.
DWORD Base64EncodedSize(DWORD inputLength, DWORD lineLength, DWORD lineEndLength);

// Encodes (flag 1) or decodes (flag 2) input. *outputLength holds the
// capacity of output on entry and a size on return:
// - encoding: the size needed, NUL included. With a null output or too
//   little room nothing is written and the result is null.
// - decoding: the number of decoded bytes, counted even when they are not
//   written; 0 when the input is not valid Base64. An inputLength of
//   0xFFFFFFFF reads up to the input's NUL.
// Returns output on success, otherwise null.
BYTE* Base64Codec(DWORD flags, const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outputLength);
