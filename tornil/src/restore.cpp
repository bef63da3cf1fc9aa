#include "restore.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "beneath_program.h"
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
    bool restored = true;
    for (const fs::path& relative : broughtEntries(platform::paths::fromWindows(config.getDownloadPath() + u"update"))) {
        if (fs::exists(fs::symlink_status(backupFolder / relative, error))) continue;
        if (RemoveIfUnusedBelow(program, relative)) continue;
        write(Level::Error, u"Removing %ls failed.", platform::paths::toWide(relative).c_str());
        restored = false;
    }
    // Every folder and file is reached below the program folder without
    // following a link: a link in the way fails the restore instead of
    // letting it write where the link leads.
    for (fs::recursive_directory_iterator it(backupFolder, error), end; !error && it != end; it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(backupFolder);
        const bool done = it->is_directory(error) ? MakeFolderBelow(program, relative)
                                                  : CopyFileBelow(it->path(), program, relative);
        if (done) continue;
        write(Level::Error, u"Restoring %ls failed.", platform::paths::toWide(relative).c_str());
        restored = false;
    }
    if (error) {
        write(Level::Error, u"Reading the backup failed.");
        restored = false;
    }
    return restored;
}

}  // namespace tornil
