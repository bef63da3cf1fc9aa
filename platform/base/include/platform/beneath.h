// Folders and files below a folder of the caller's, reached one component
// at a time from the parent's descriptor with O_NOFOLLOW, so that a
// symbolic link standing anywhere below the folder stops the walk with
// ELOOP instead of leading elsewhere. The caller's folder itself is opened
// as named: links in its own path are the caller's.
#pragma once

#include <filesystem>
#include <string>

#include "platform/unique_fd.h"

namespace platform::beneath {

// Whether the entry of the open folder is a symbolic link.
bool isLink(int folder, const std::string& name);

// The folder `name` in the open folder, never through a link: a link is
// ELOOP, a file ENOTDIR. With `create` a missing folder is made (0777
// less the umask). Closed (errno set) on failure.
files::UniqueFd openFolder(int parent, const std::string& name, bool create);

// The folder `relative` (components separated by "/"; empty and "."
// components are skipped, ".." is EINVAL) below `root`; an empty relative
// path is `root` itself.
files::UniqueFd openBelow(const std::filesystem::path& root, const std::filesystem::path& relative, bool create);

// Copies the regular file `source` onto `name` in the open folder. A file
// there is overwritten in place and keeps its permissions; a new one gets
// the source's. A link there is ELOOP, a folder EISDIR. False with errno.
bool copyFileInto(const std::filesystem::path& source, int folder, const std::string& name);

}  // namespace platform::beneath
