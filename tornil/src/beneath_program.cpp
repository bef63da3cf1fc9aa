#include "beneath_program.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/beneath.h"

namespace tornil {

namespace {

namespace fs = std::filesystem;
using platform::files::UniqueFd;
using Permission = std::function<bool(const fs::path&)>;

UniqueFd parentOf(const fs::path& root, const fs::path& relative, bool create) {
    return platform::beneath::openBelow(root, relative.parent_path(), create);
}

bool refused() {
    errno = EPERM;
    return false;
}

std::vector<std::string> entriesOf(int folder) {
    std::vector<std::string> names;
    const int copy = ::dup(folder);
    DIR* const dir = copy == -1 ? nullptr : ::fdopendir(copy);
    if (!dir) {
        if (copy != -1) ::close(copy);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool removeTreeAt(int parent, const std::string& name, const fs::path& relative, const Permission& mayRemove) {
    const UniqueFd folder = platform::beneath::openFolder(parent, name, false);
    if (!folder) {
        if (errno != ENOTDIR && errno != ELOOP) return false;
        if (!mayRemove(relative)) return refused();
        return ::unlinkat(parent, name.c_str(), 0) == 0;
    }
    // A listing that failed leaves the folder not empty, which the last step reports.
    for (const std::string& entry : entriesOf(folder.get()))
        if (!removeTreeAt(folder.get(), entry, relative / entry, mayRemove)) return false;
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

}  // namespace

bool RemoveFileBelow(const fs::path& root, const fs::path& relative, const Permission& mayRemove) {
    const UniqueFd parent = parentOf(root, relative, false);
    if (!parent) return false;
    const std::string name = relative.filename().string();
    struct stat info {};
    if (::fstatat(parent.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (!mayRemove(relative)) return refused();
    return ::unlinkat(parent.get(), name.c_str(), 0) == 0;
}

bool RemoveFolderBelow(const fs::path& root, const fs::path& relative, const Permission& mayRemove) {
    const UniqueFd parent = parentOf(root, relative, false);
    return parent && removeTreeAt(parent.get(), relative.filename().string(), relative, mayRemove);
}

bool RemoveIfUnusedBelow(const fs::path& root, const fs::path& relative) {
    const UniqueFd parent = parentOf(root, relative, false);
    if (!parent) return errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
    const std::string name = relative.filename().string();
    struct stat info {};
    if (::fstatat(parent.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (S_ISREG(info.st_mode)) return ::unlinkat(parent.get(), name.c_str(), 0) == 0;
    if (!S_ISDIR(info.st_mode)) return true;
    return ::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOTEMPTY || errno == EEXIST;
}

bool MakeFolderBelow(const fs::path& root, const fs::path& relative) {
    return static_cast<bool>(platform::beneath::openBelow(root, relative, true));
}

bool CopyFileBelow(const fs::path& source, const fs::path& root, const fs::path& relative) {
    const UniqueFd parent = parentOf(root, relative, false);
    return parent && platform::beneath::copyFileInto(source, parent.get(), relative.filename().string());
}

}  // namespace tornil
