#include "restore.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "lumvar/folder_operations.h"
#include "lumvar/log_writer.h"
#include "platform/paths.h"

namespace tornil {

namespace {

namespace fs = std::filesystem;
using lumvar::log::Level;
using lumvar::log::write;

// The update folder's entries for the program folder, relative, each
// folder after everything below it.
std::vector<fs::path> broughtEntries(const fs::path& update) {
    std::vector<fs::path> files;
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::recursive_directory_iterator it(update, error), end; !error && it != end; it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(update);
        const auto top = *relative.begin();
        if (top == "_LUMVAR_SYSTEM" || top == "_LUMVAR_SYSTEM_COM" || relative == "._LUMVAR_delete") {
            if (it->is_directory(error)) it.disable_recursion_pending();
            continue;
        }
        (it->is_directory(error) && !it->is_symlink(error) ? folders : files).push_back(relative);
    }
    files.insert(files.end(), folders.rbegin(), folders.rend());
    return files;
}

}  // namespace

bool RestoreBackup(const lumvar::Config& config) {
    const std::u16string backup = config.getDownloadPath() + u"backup\\";
    const fs::path backupFolder = platform::paths::fromWindows(backup);
    const fs::path program = platform::paths::fromWindows(config.getProgramPath());
    std::error_code error;
    if (!fs::is_directory(backupFolder, error)) {
        write(Level::Error, u"There is no backup to restore.");
        return false;
    }
    for (const fs::path& relative : broughtEntries(platform::paths::fromWindows(config.getDownloadPath() + u"update"))) {
        if (fs::exists(fs::symlink_status(backupFolder / relative, error))) continue;
        const fs::path added = program / relative;
        const fs::file_status status = fs::symlink_status(added, error);
        if (fs::is_directory(status) ? fs::is_empty(added, error) : fs::exists(status)) fs::remove(added, error);
    }
    return lumvar::CopyDir(backup, config.getProgramPath());
}

}  // namespace tornil
