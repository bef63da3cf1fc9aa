// Whole-folder operations of the download area and the program folder.
// Folder paths may end in a separator or not.
#pragma once

#include <string>

namespace lumvar {

// Removes the folder and everything below it. Symbolic links are removed,
// never followed. False when the folder does not exist or something in it
// could not be removed.
bool DeleteDirectory(const std::u16string& path);

enum class CopyResult { Copied, Failed, LinkFound };

// Copies the tree below source into destination (folders created as
// needed, files overwritten). A file that cannot be copied counts as copied
// only when both it and the destination's file could be hashed and their
// digests are equal. The walk goes on after a failure (Failed when anything
// failed or source cannot be listed), but a symbolic link below source,
// found when listed or when reached, stops it at once (LinkFound, logged):
// what a link leads to is never copied.
CopyResult CopyDir(const std::u16string& source, const std::u16string& destination);

}  // namespace lumvar
