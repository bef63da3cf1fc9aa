// The display text (ANSI) of a string item, by its universal tag or, for the
// content of other tags, by its classified kind. Each problem found (a
// character outside the type's set, an odd length of two-byte text) adds
// one to errors.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content_kind.h"

namespace asn1view {

std::string UniversalStringText(std::uint32_t tag, std::span<const std::uint8_t> content, int& errors);
std::string TaggedStringText(ContentKind kind, std::span<const std::uint8_t> content, int& errors);

}  // namespace asn1view
