// Changes below the program folder (or the system folder) that never pass
// through a symbolic link standing below it: each folder on the way is
// opened from its parent without following a link, so a link put into the
// folder cannot turn a deletion or a copy into one outside it. Paths are
// Linux paths; `relative` is below `root`. Failures leave errno set.
#pragma once

#include <filesystem>
#include <functional>

namespace tornil {

// Removes a file or a link (never what it points to); a folder is refused.
// Before anything is removed, `mayRemove` is asked with the relative path.
bool RemoveFileBelow(const std::filesystem::path& root, const std::filesystem::path& relative,
                     const std::function<bool(const std::filesystem::path&)>& mayRemove);

// Removes the folder with everything below it, links removed and never
// followed. Each file or link is first passed to `mayRemove` (its path
// relative to root); one it refuses stops the removal, and it and what was
// not reached yet stay.
bool RemoveFolderBelow(const std::filesystem::path& root, const std::filesystem::path& relative,
                       const std::function<bool(const std::filesystem::path&)>& mayRemove);

// Removes a file or an empty folder that an update may have made; true
// also when nothing is there, a folder there still holds something, or a
// link stands there or on the way (no update makes links).
bool RemoveIfUnusedBelow(const std::filesystem::path& root, const std::filesystem::path& relative);

// Makes the folder (and the folders on its way) when missing.
bool MakeFolderBelow(const std::filesystem::path& root, const std::filesystem::path& relative);

// Copies the file onto the relative path, whose folder must exist: a file
// there is overwritten and keeps its permissions, a new one gets the
// source's; a link or a folder there is refused.
bool CopyFileBelow(const std::filesystem::path& source, const std::filesystem::path& root,
                   const std::filesystem::path& relative);

}  // namespace tornil
