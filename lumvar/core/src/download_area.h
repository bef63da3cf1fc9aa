// The update folder of the download area: its preparation, the delete
// list, the folders and the verified writing of fetched files. Each
// failure is logged with the caller's name and gives kDownload.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "lumvar/config.h"
#include "lumvar/protocol_requests.h"
#include "lumvar/update_list.h"
#include "platform/owned.h"

namespace lumvar {

class DownloadArea {
public:
    DownloadArea(const Config& config, const char16_t* caller);

    // Empties update\, creates its marker folders and opens the delete list.
    int prepare();
    // Records files to remove into the delete list and returns the files to
    // fetch (new and replaced), in list order; ends the file part of the list.
    int sortFiles(const std::vector<FileRecord>& files, std::vector<DownloadItem>* items);
    // Creates new and kept folders, records folders to remove, closes the list.
    int writeFolders(const std::vector<DirRecord>& dirs);
    // Writes the fetched bytes at the item's place and checks their digest.
    int store(const DownloadItem& item);

private:
    int fail(const char16_t* format, const std::u16string& path = {});
    int writeListLine(const std::u16string& line);
    bool placeFor(std::int32_t location, const std::u16string& relative, std::u16string* out);

    std::u16string m_update;
    const char16_t* m_caller;
    platform::Owned<FILE, std::fclose> m_deleteList;
};

}  // namespace lumvar
