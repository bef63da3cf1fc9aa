// The content written to a file: under a free name beside the file, then
// renamed onto it, so a file already there stays whole until the new one is
// complete, and a write that fails leaves it as it was. A symbolic link of
// that name is refused rather than followed or replaced.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#include "mime/mime_body.h"

namespace {

constexpr size_t kPiece = 512;
constexpr int kNameAttempts = 100;

// 0, or the errno of the write that failed.
int WriteAll(int fd, const std::string& content) {
    for (size_t at = 0; at < content.size();) {
        const ssize_t written = ::write(fd, content.data() + at, std::min(kPiece, content.size() - at));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return EIO;
        at += static_cast<size_t>(written);
    }
    return 0;
}

bool IsLink(int folder, const std::string& name) {
    struct stat info {};
    return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// A new file of the owner alone beside name; its name in out, -1 when none
// can be made.
int CreateBeside(int folder, const std::string& name, std::string& out) {
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        out = "." + name + ".~" + std::to_string(random()) + ".tmp";
        const int fd = ::openat(folder, out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

int CMimeBody::WriteContentToFile(const std::filesystem::path& file) const {
    const std::string name = file.filename().string();
    if (name.empty() || name == "." || name == "..") return EINVAL;
    const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int folder = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno;
    std::string temporary;
    const int fd = CreateBeside(folder, name, temporary);
    int error = fd < 0 ? errno : WriteAll(fd, m_content);
    if (fd >= 0) {
        if (error == 0 && ::fsync(fd) != 0) error = errno;
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error == 0 && IsLink(folder, name)) error = ELOOP;
        if (error == 0 && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) error = errno;
        if (error != 0) ::unlinkat(folder, temporary.c_str(), 0);
    }
    ::close(folder);
    return error;
}
