// Downloads of an update list's new and replaced files into the download
// area below Config's DownloadPath:
//   update\                      program-folder files and folders
//   update\_LUMVAR_SYSTEM\       files for the system folder
//   update\_LUMVAR_SYSTEM_COM\   files for the system folder with COM registration
//   update\._LUMVAR_delete       the delete list (UTF-8, "\n" ends each line):
//                                program-folder files to remove, an empty
//                                line, program-folder folders to remove
// A download always starts from an empty update\ and writes nothing outside
// it. Every written file is read back and its digest compared with the
// list's. Results: kOk, kDownload (logged) for a failure in the area or a
// digest that differs, or the request's own code unchanged. A failed
// download leaves update\ partly written; the next one starts it anew.
#pragma once

#include <functional>
#include <string>

#include "lumvar/config.h"
#include "lumvar/protocol_requests.h"
#include "lumvar/update_list.h"

namespace lumvar {

// Called with a file's relative path before it is fetched on its own.
using CurrentFile = std::function<void(const std::u16string& path)>;

// All files in one ZIP request.
int DownloadUpdates(const Config& config, const ReplyProgress& progress, const UpdateList& list);
// One request per file: a ZIP holding only that file when zipEach is 1,
// else the plain file.
int DownloadUpdatesSingly(const Config& config, const ReplyProgress& progress, const CurrentFile& currentFile,
                          const UpdateList& list, int zipEach);

}  // namespace lumvar
