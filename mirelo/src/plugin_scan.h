// Whether a file can be a document plug-in: a shared object of this
// machine's 64-bit little-endian kind, sound enough to be loaded (every
// loadable segment lies inside the file), whose dynamic string table holds
// the three entry-point names. A file that names them only as text, a
// truncated or otherwise damaged object is refused before anything loads it.
#pragma once

#include <string>

// Reads the file (ANSI path, "\" or "/") whole, up to a bound no plug-in
// comes near; false for a file that cannot be read, is no regular file,
// exceeds that bound or fails any of the checks above.
bool NamesAllPluginEntryPoints(const std::string& path);
