// The file-save dialog of the script backend.
#pragma once

#include <optional>
#include <string>

#include "platform/ui.h"

namespace platform::ui::script {

// Takes "SaveFile" answers until one gives a path the request settles on
// (a path without a folder is in the request's folder, which must exist),
// or IDCANCEL. Each answer is asked with the transcript line "SaveFile:
// title: folder: name: filter (patterns) ...", the filter shown first
// marked "*".
std::optional<std::string> saveFile(const SaveFileRequest& request);

}  // namespace platform::ui::script
