// A tolerant BER/DER reader: builds the node tree of one top-level item under
// the root and counts the problems it meets instead of stopping at the
// first. Lengths are bounded by the input and nesting by kMaxDepth, so any
// input is read in time and memory proportional to its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "asn1view/nodes.h"

namespace asn1view {

inline constexpr int kMaxDepth = 64;

// The number of problems counted; 0 is a clean read. A file that cannot be
// read, or a fatal encoding problem (more than 4 length bytes, an OBJECT
// IDENTIFIER of more than 32 bytes), gives at least 1; the nodes built
// before it stay in the tree.
int ParseDer(ASNRoot& root, std::span<const std::uint8_t> der);
int ParseDerFile(ASNRoot& root, const std::filesystem::path& path);

}  // namespace asn1view
