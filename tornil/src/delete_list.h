// The delete list the upgrade client writes into update\: the program
// folder's files to delete, one relative path a line, then an empty line,
// then its folders to delete (UTF-8, lines ended by "\n").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tornil {

struct DeleteList {
    std::vector<std::u16string> files;
    std::vector<std::u16string> folders;  // in list order
};

// Nothing, with the reason logged, when the file cannot be read or an entry
// is no path inside the program folder: an entry that names the folder
// itself (an empty folder entry, ".", "./"), an absolute path, or one with
// a ".." part.
std::optional<DeleteList> readDeleteList(const std::u16string& file);

}  // namespace tornil
