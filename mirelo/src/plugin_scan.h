// Whether a file can be a document plug-in: it must name all three entry
// points somewhere in its bytes. A shared object keeps the names it exports
// in its dynamic string table, so every plug-in passes; a file that holds
// the names only as text passes too and is refused later, when its entry
// points do not resolve.
#pragma once

#include <string>

// Reads the file (ANSI path, "\" or "/") in pieces, never more than a
// plug-in can sensibly be; false for a file that cannot be read, is no
// regular file, exceeds that bound or lacks one of the names.
bool NamesAllPluginEntryPoints(const std::string& path);
