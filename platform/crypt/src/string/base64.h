// Base64 (RFC 4648, standard alphabet with padding) as CryptoAPI writes and
// reads it, and the PEM armour labels of CryptBinaryToString.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::crypt::base64 {

// Lines of 64 characters, each followed by `newline` (which may be empty).
std::string encode(std::span<const BYTE> bytes, std::string_view newline);
// White space is skipped; anything else outside the alphabet, misplaced
// padding or a length that cannot be Base64 gives nothing.
std::optional<std::vector<BYTE>> decode(std::u16string_view text);

}  // namespace platform::crypt::base64
