#include "delete_list.h"

#include <fstream>

#include "lumvar/log_writer.h"
#include "lumvar/relative_path.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tornil {

using lumvar::log::Level;
using lumvar::log::write;

std::optional<DeleteList> readDeleteList(const std::u16string& file) {
    std::ifstream in(platform::paths::fromWindows(file), std::ios::binary);
    if (!in) {
        write(Level::Error, u"Loading delete filelist file failed.");
        return std::nullopt;
    }
    DeleteList list;
    bool inFolders = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!inFolders && line.empty()) {
            inFolders = true;
            continue;
        }
        const std::u16string entry = platform::text::fromUtf8(line);
        if (!lumvar::staysInside(entry)) {
            write(Level::Error, u"Delete filelist entry \"%ls\" lies outside the program folder.", entry.c_str());
            return std::nullopt;
        }
        (inFolders ? list.folders : list.files).push_back(entry);
    }
    if (in.bad()) {
        write(Level::Error, u"Loading file line from delete filelist failed.");
        return std::nullopt;
    }
    return list;
}

}  // namespace tornil
