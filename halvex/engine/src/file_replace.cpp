#include "file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace halvex {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

}  // namespace

Descriptor::~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

bool Descriptor::close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

bool ReplaceFileWith(const std::filesystem::path& file, std::string_view bytes, const char* suffix) {
    struct stat status {};
    const mode_t mode = ::stat(file.c_str(), &status) == 0 ? status.st_mode & 07777 : 0666;
    std::filesystem::path beside = file;
    beside += suffix;
    Descriptor target(::open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    const bool written = target.get() >= 0 && writeAll(target.get(), bytes) && ::fsync(target.get()) == 0 &&
                         target.close() && ::rename(beside.c_str(), file.c_str()) == 0;
    if (!written) ::unlink(beside.c_str());
    return written;
}

}  // namespace halvex
