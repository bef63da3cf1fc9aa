// Random bytes for encryption headers and salts, from the operating
// system's generator: safe from any thread, never seeded by the library.
#pragma once

#include <cstddef>

namespace ziprandom {

// Code 115 when the system's generator fails.
void fill(void* buffer, std::size_t size);

}  // namespace ziprandom
