// The bytes of one open file appended to another.
#pragma once

namespace platform::files {

// Copies from the read position of `from` to the end; 0, or the errno of
// the read or write that failed.
int copyBytes(int from, int to);

}  // namespace platform::files
