#include "script_file_save.h"

#include <filesystem>

#include "script_answers.h"

namespace platform::ui::script {

namespace {

std::string lineOf(const SaveFileRequest& request) {
    std::string line = std::string(kSaveFile) + ": " + request.title + ": " + request.folder + ": " + request.name + ":";
    for (std::size_t i = 0; i < request.filters.size(); ++i) {
        line += " " + request.filters[i].name + " (" + request.filters[i].patterns + ")";
        if (i == request.filter) line += "*";
    }
    return line;
}

// A file, new or not, in an existing folder.
bool isFileInFolder(const std::filesystem::path& path) {
    std::error_code error;
    return path.has_filename() && !std::filesystem::is_directory(path, error) &&
           std::filesystem::is_directory(path.parent_path(), error);
}

}  // namespace

std::optional<std::string> saveFile(const SaveFileRequest& request) {
    const std::string line = lineOf(request);
    const auto pathOf = [&](const std::string& answer) { return std::filesystem::path(request.folder) / answer; };
    for (;;) {
        const auto reply = askReply(kSaveFile, line, [&](const std::string& answer) {
            return answer == "IDCANCEL" || isFileInFolder(pathOf(answer));
        });
        if (!reply || *reply == "IDCANCEL") return std::nullopt;
        if (auto settled = request.settle(pathOf(*reply).string())) return settled;
    }
}

}  // namespace platform::ui::script
