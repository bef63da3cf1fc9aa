// Folders of the download area.
#include "fresh_folder.h"

#include <filesystem>
#include <system_error>

#include "lumvar/folder_operations.h"
#include "platform/paths.h"

namespace lumvar {

bool MakeFolder(const std::u16string& path) {
    std::error_code error;
    const std::filesystem::path folder = platform::paths::fromWindows(path);
    std::filesystem::create_directories(folder, error);
    return !error && std::filesystem::is_directory(std::filesystem::symlink_status(folder, error));
}

FreshFolder MakeFreshFolder(const std::u16string& path) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(platform::paths::fromWindows(path), error)) &&
        !DeleteDirectory(path))
        return FreshFolder::NotRemoved;
    return MakeFolder(path) ? FreshFolder::Made : FreshFolder::NotMade;
}

}  // namespace lumvar
