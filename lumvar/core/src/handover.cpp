// The hand-over to the upgrade process.
#include "lumvar/handover.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "fresh_folder.h"
#include "lumvar/folder_operations.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/crt_files.h"
#include "win32/shell.h"

namespace lumvar {
namespace {

using log::Level;

int fail(int code, const char16_t* message) {
    log::write(Level::Error, message);
    return code;
}

// Writes all bytes and closes the file; false when anything failed.
bool writeWhole(const std::u16string& path, std::string_view bytes) {
    FILE* file = nullptr;
    if (_wfopen_s(&file, path.c_str(), u"wb") != 0) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool makeExecutable(const std::u16string& path) {
    std::error_code error;
    std::filesystem::permissions(platform::paths::fromWindows(path),
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, error);
    return !error;
}

std::string confText(const Config& config) {
    using platform::text::toUtf8;
    return toUtf8(config.getProgramPath()) + "\n" + toUtf8(config.getDownloadPath()) + "\n" +
           std::to_string(static_cast<int>(config.getLang())) + "\n" + std::to_string(getpid()) + "\n";
}

}  // namespace

int DoUpdate(const Config& config, std::string_view upgradeImage) {
    if (!config.isLoaded()) return kNotConfigured;
    const std::u16string area = config.getDownloadPath();

    const std::u16string backup = area + u"backup";
    switch (MakeFreshFolder(backup)) {
    case FreshFolder::NotRemoved: return fail(kBackup, u"LUMVAR_DoUpdate: Nepodařilo se smazat složku backup");
    case FreshFolder::NotMade: return fail(kBackup, u"LUMVAR_DowUpdate: Nepodařilo se vytvořit složku backup");
    case FreshFolder::Made: break;
    }
    switch (CopyDir(config.getProgramPath(), backup)) {
    case CopyResult::LinkFound: return fail(kFolderWalk, u"LUMVAR_DoUpdate: Ve složce s aplikací je odkaz");
    case CopyResult::Failed: return fail(kBackup, u"LUMVAR_DoUpdate: Nepodařilo se provést zálohu aktuální verze");
    case CopyResult::Copied: break;
    }

    const std::u16string bin = area + u"bin";
    switch (MakeFreshFolder(bin)) {
    case FreshFolder::NotRemoved: return fail(kHandOverFiles, u"LUMVAR_DoUpdate: Nepodařilo se smazat složku bin");
    case FreshFolder::NotMade: return fail(kHandOverFiles, u"LUMVAR_DowUpdate: Nepodařilo se vytvořit složku bin");
    case FreshFolder::Made: break;
    }
    const std::u16string program = bin + u"\\Tornil.exe";
    if (upgradeImage.empty() || !writeWhole(program, upgradeImage) || !makeExecutable(program))
        return fail(kHandOverFiles, u"LUMVAR_DoUpdate: Nepodařilo se zapsat aktualizační program");
    if (!writeWhole(bin + u"\\conf", confText(config)))
        return fail(kHandOverFiles, u"LUMVAR_DoUpdate: Nepodařilo se vytvořit soubor bin\\conf");

    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.lpFile = program.c_str();
    start.lpParameters = u"RunUpdate";
    start.lpDirectory = bin.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&start))
        return fail(kStartUpgrade, u"LUMVAR_DoUpdate: Chyba pro spousteni aktualizačního procesu");
    return kUpgradeStarted;
}

}  // namespace lumvar
