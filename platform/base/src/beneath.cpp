// Folders and files below a caller's folder, never through a symbolic link.
#include "platform/beneath.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "copy_bytes.h"

namespace platform::beneath {

namespace {

using files::UniqueFd;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int openFolderOnce(int parent, const std::string& name) {
    const int fd = ::openat(parent, name.c_str(), kFolderFlags);
    // O_DIRECTORY reports a link as ENOTDIR: a link is ELOOP, as for files.
    if (fd == -1 && errno == ENOTDIR && isLink(parent, name)) errno = ELOOP;
    return fd;
}

}  // namespace

bool isLink(int folder, const std::string& name) {
    const int saved = errno;
    struct stat info {};
    const bool link = ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
    errno = saved;
    return link;
}

UniqueFd openFolder(int parent, const std::string& name, bool create) {
    int fd = openFolderOnce(parent, name);
    if (fd == -1 && errno == ENOENT && create) {
        if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return UniqueFd();
        fd = openFolderOnce(parent, name);
    }
    return UniqueFd(fd);
}

UniqueFd openBelow(const std::filesystem::path& root, const std::filesystem::path& relative, bool create) {
    UniqueFd folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const std::filesystem::path& part : relative) {
        if (!folder) break;
        const std::string name = part.string();
        if (name.empty() || name == ".") continue;
        if (name == ".." || name == "/") {
            errno = EINVAL;
            return UniqueFd();
        }
        folder = openFolder(folder.get(), name, create);
    }
    return folder;
}

bool copyFileInto(const std::filesystem::path& source, int folder, const std::string& name) {
    const UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in || ::fstat(in.get(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return false;
    }
    bool created = false;
    int fd = ::openat(folder, name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd == -1 && errno == ENOENT) {
        fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        created = fd != -1;
    }
    const UniqueFd out(fd);
    if (!out) return false;
    if (const int error = files::copyBytes(in.get(), out.get())) {
        errno = error;
        return false;
    }
    return !created || ::fchmod(out.get(), info.st_mode & 07777) == 0;
}

}  // namespace platform::beneath
