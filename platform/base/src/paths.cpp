// The folders of the emulated machine under its root, and Windows path text.
#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/text.h"
#include "platform/win_error.h"

namespace platform::paths {

namespace {

namespace fs = std::filesystem;

const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

fs::path homeFolder() {
    if (const char* home = nonEmptyEnv("HOME")) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    throw WinError(ERROR_PATH_NOT_FOUND, "no home folder for the platform root");
}

fs::path under(std::initializer_list<const char*> parts) {
    fs::path p = root();
    for (const char* part : parts) p /= part;
    return ensure(p);
}

fs::path slashed(std::string utf8) {
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return fs::path(std::move(utf8));
}

}  // namespace

fs::path root() {
    if (const char* explicitRoot = nonEmptyEnv("PLATFORM_ROOT")) return explicitRoot;
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const char* data = nonEmptyEnv("XDG_DATA_HOME"); data && *data == '/') return fs::path(data) / "tesk-platform";
    return homeFolder() / ".local" / "share" / "tesk-platform";
}

fs::path autostartFolder() {
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (const char* config = nonEmptyEnv("XDG_CONFIG_HOME"); config && *config == '/')
        return fs::path(config) / "autostart";
    return homeFolder() / ".config" / "autostart";
}

fs::path registryDatabase() { return ensure(root()) / "registry.db"; }
fs::path userProfile() { return under({"profile"}); }
fs::path roamingAppData() { return under({"profile", "AppData", "Roaming"}); }
fs::path localAppData() { return under({"profile", "AppData", "Local"}); }
fs::path tempFolder() { return under({"profile", "AppData", "Local", "Temp"}); }
fs::path personalFolder() { return under({"profile", "Documents"}); }
fs::path commonAppData() { return under({"ProgramData"}); }
fs::path windowsFolder() { return under({"Windows"}); }
fs::path systemFolder() { return under({"Windows", "System32"}); }
fs::path programFiles() { return under({"Program Files"}); }
fs::path machineKeyContainers() { return under({"ProgramData", "Crypto", "Keys"}); }

// Private keys: readable by the user alone, whatever the umask made of it.
fs::path keyContainers() {
    const fs::path folder = under({"profile", "Crypto", "Keys"});
    if (chmod(folder.c_str(), S_IRWXU) != 0) throwErrno(win32CodeOfErrno(errno), "chmod " + folder.string(), errno);
    return folder;
}

fs::path ensure(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throwErrno(win32CodeOfErrno(ec.value()), "create_directories " + folder.string(), ec.value());
    return folder;
}

fs::path fromWindows(std::u16string_view wide) { return slashed(text::toUtf8(wide)); }
fs::path fromWindowsAnsi(std::string_view ansi) { return slashed(text::ansiToUtf8(ansi)); }
std::u16string toWide(const fs::path& p) { return text::fromUtf8(p.native()); }
std::string toAnsi(const fs::path& p) { return text::utf8ToAnsi(p.native()); }

}  // namespace platform::paths
