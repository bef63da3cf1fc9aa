#include "install.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "file_version.h"
#include "lumvar/log_writer.h"
#include "lumvar/relative_path.h"
#include "platform/owned.h"
#include "platform/paths.h"
#include "registration.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/error_codes.h"
#include "win32/shell.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

constexpr char16_t kSystemMarker[] = u"_LUMVAR_SYSTEM";
constexpr char16_t kSystemComMarker[] = u"_LUMVAR_SYSTEM_COM";
constexpr char16_t kDeleteList[] = u"._LUMVAR_delete";
// A source folder this long leaves no room for the names in it.
constexpr std::size_t kMaxSourceFolder = 258;

std::u16string sourceFolder(const lumvar::Config& config, const std::u16string& relative, Location location) {
    std::u16string folder = config.getDownloadPath() + u"update\\";
    if (location == Location::SystemFolder) folder += std::u16string(kSystemMarker) + u"\\";
    if (location == Location::SystemFolderCom) folder += std::u16string(kSystemComMarker) + u"\\";
    return folder + relative;
}

// Where the location's files go, with a final separator; empty when the
// system folder cannot be had.
std::u16string destinationFolder(const lumvar::Config& config, Location location) {
    if (location == Location::ProgramFolder) return config.getProgramPath();
    WCHAR system[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, system) != S_OK) return {};
    return std::u16string(system) + u"\\";
}

// Whether a system file is to be replaced: always when the installed file
// has no version information, else only by a newer version. Nothing when
// a version cannot be read.
std::optional<bool> replaces(const std::u16string& source, const std::u16string& destination) {
    if (!hasVersionInformation(destination)) return true;
    const auto installed = fileVersion(destination);
    const auto offered = fileVersion(source);
    if (!installed || !offered) {
        write(Level::Error, u"Version information of %ls or %ls cannot be read.", source.c_str(), destination.c_str());
        return std::nullopt;
    }
    return *installed < *offered;
}

// The update brings contents without permissions: a file that replaces an
// installed one keeps the installed file's, so that a program or a library
// stays executable and a private file stays private. Nothing for a new file.
std::optional<std::filesystem::perms> installedPermissions(const std::u16string& destination) {
    std::error_code error;
    const auto status = std::filesystem::status(platform::paths::fromWindows(destination), error);
    if (error || !std::filesystem::is_regular_file(status)) return std::nullopt;
    return status.permissions();
}

bool keepPermissions(const std::u16string& destination, std::filesystem::perms permissions) {
    std::error_code error;
    std::filesystem::permissions(platform::paths::fromWindows(destination), permissions,
                                 std::filesystem::perm_options::replace, error);
    if (error) write(Level::Error, u"Setting the permissions of %ls failed.", destination.c_str());
    return !error;
}

bool installFile(const std::u16string& source, const std::u16string& destination, Location location) {
    if (location != Location::ProgramFolder) {
        const auto replace = replaces(source, destination);
        if (!replace) return false;
        if (!*replace) {
            write(Level::Info, u"Keeping %ls: the installed version is not older.", destination.c_str());
            return true;
        }
    }
    write(Level::Info, u"Copying %ls to %ls", source.c_str(), destination.c_str());
    const auto installed = installedPermissions(destination);
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        write(Level::Error, u"Copying %ls failed: %d", source.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    if (installed && !keepPermissions(destination, *installed)) return false;
    return location != Location::SystemFolderCom || RegisterServer(destination);
}

}  // namespace

bool InstallNewFiles(const lumvar::Config& config, const std::u16string& relative, Location location) {
    const std::u16string source = sourceFolder(config, relative, location);
    if (source.size() >= kMaxSourceFolder) return false;
    const std::u16string destinationRoot = destinationFolder(config, location);
    if (destinationRoot.empty()) return false;
    const std::u16string destination = destinationRoot + relative;
    const bool top = relative.empty() && location == Location::ProgramFolder;

    WIN32_FIND_DATAW entry{};
    const HANDLE first = FindFirstFileW((source + u"*").c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE) return false;
    const platform::Owned<void, FindClose> find(first);
    do {
        if (lumvar::isDotEntry(entry.cFileName)) continue;
        const std::u16string name = entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (top && name == kSystemMarker) {
                if (!InstallNewFiles(config, u"", Location::SystemFolder)) return false;
                continue;
            }
            if (top && name == kSystemComMarker) {
                if (!InstallNewFiles(config, u"", Location::SystemFolderCom)) return false;
                continue;
            }
            if (!CreateDirectoryW((destination + name).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
            if (!InstallNewFiles(config, relative + name + u"\\", location)) return false;
            continue;
        }
        if (top && name == kDeleteList) continue;
        if (!installFile(source + name, destination + name, location)) return false;
    } while (FindNextFileW(find.get(), &entry));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace tornil
