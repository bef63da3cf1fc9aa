#include "logon_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/modules.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform::registry {

namespace {

namespace fs = std::filesystem;

const KeyPath& runOncePath() {
    static const KeyPath path{u"Software", u"Microsoft", u"Windows", u"CurrentVersion", u"RunOnce"};
    return path;
}

fs::path rootOf(const Database& db) { return fs::absolute(db.file().parent_path()); }

fs::path entryOf(const fs::path& root) {
    std::uint64_t digest = 0xcbf29ce484222325u;  // FNV-1a
    for (const unsigned char c : root.string()) digest = (digest ^ c) * 0x100000001b3u;
    char name[48];
    std::snprintf(name, sizeof name, "tesk-runonce-%016llx.desktop", static_cast<unsigned long long>(digest));
    return paths::autostartFolder() / name;
}

// One argument of an Exec line, quoted: "\"", "`", "$" and "\" take a
// backslash and "%" is doubled; then every backslash of the line is doubled,
// as in any string of the file's format. Empty for what no line can carry
// (control characters, text that is not UTF-8).
std::string execArgument(const std::string& text) {
    if (!text::isValidUtf8(text)) return {};
    std::string quoted = "\"";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        if (c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + '"';
}

// Writes the text beside the file and renames it over; false on failure,
// nothing left beside.
bool replaceWith(const fs::path& file, const std::string& text) {
    std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool written = ::fchmod(fd, 0644) == 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), file.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace

bool isRunOnceKey(Tree& tree, KeyId key) { return tree.find(kCurrentUserRoot, runOncePath()) == key; }

bool runOnceHasValues(Tree& tree) {
    const auto key = tree.find(kCurrentUserRoot, runOncePath());
    return key && tree.hasValues(*key);
}

void registerLogonRunner(const Database& db) noexcept {
    try {
        const fs::path runner = modules::resolve(u"runonce.exe");
        if (runner.empty()) return;
        const fs::path root = rootOf(db);
        const std::string rootArgument = execArgument("PLATFORM_ROOT=" + root.string());
        const std::string runnerArgument = execArgument(fs::absolute(runner).string());
        if (rootArgument.empty() || runnerArgument.empty()) return;
        const fs::path entry = entryOf(root);
        fs::create_directories(entry.parent_path());
        replaceWith(entry, "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Tesk RunOnce\n"
                           "Comment=Runs what was left to run at this logon\n"
                           "Exec=env " + rootArgument + " " + runnerArgument + "\n"
                           "Terminal=false\n"
                           "NoDisplay=true\n");
    } catch (...) {
        // No entry: the value is set and runonce runs it when started by hand.
    }
}

void unregisterLogonRunner(const Database& db) noexcept {
    try {
        std::error_code error;
        fs::remove(entryOf(rootOf(db)), error);
    } catch (...) {
        // An entry left behind runs runonce on an empty key: nothing to do.
    }
}

}  // namespace platform::registry
