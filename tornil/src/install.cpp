#include "install.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "beneath_program.h"
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
// stays executable and a private file stays private.
bool installFile(const std::u16string& source, const std::u16string& root, const std::u16string& relative,
                 Location location) {
    const std::u16string destination = root + relative;
    if (location != Location::ProgramFolder) {
        const auto replace = replaces(source, destination);
        if (!replace) return false;
        if (!*replace) {
            write(Level::Info, u"Keeping %ls: the installed version is not older.", destination.c_str());
            return true;
        }
    }
    write(Level::Info, u"Copying %ls to %ls", source.c_str(), destination.c_str());
    if (!CopyFileBelow(platform::paths::fromWindows(source), platform::paths::fromWindows(root),
                       platform::paths::fromWindows(relative))) {
        write(Level::Error, u"Copying %ls failed: %hs", source.c_str(), std::strerror(errno));
        return false;
    }
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
            if (!MakeFolderBelow(platform::paths::fromWindows(destinationRoot),
                                 platform::paths::fromWindows(relative + name))) {
                write(Level::Error, u"Making the folder %ls failed: %hs", (destination + name).c_str(),
                      std::strerror(errno));
                return false;
            }
            if (!InstallNewFiles(config, relative + name + u"\\", location)) return false;
            continue;
        }
        if (top && name == kDeleteList) continue;
        if (!installFile(source + name, destinationRoot, relative + name, location)) return false;
    } while (FindNextFileW(find.get(), &entry));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace tornil
