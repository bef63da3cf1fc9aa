#include "pending_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "platform/unique_fd.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void throwErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

void writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, static_cast<std::size_t>(size));
        if (done < 0) {
            if (errno == EINTR) continue;
            throwErrno("write");
        }
        data += done;
        size -= done;
    }
}

void copyInto(const fs::path& source, int target) {
    const platform::files::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throwErrno("open");
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) throwErrno("fstat");
    if (!S_ISREG(info.st_mode)) throw std::system_error(EINVAL, std::generic_category(), "not a regular file");
    if (::fchmod(target, info.st_mode & 07777) != 0) throwErrno("fchmod");
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            throwErrno("read");
        }
        if (got == 0) return;
        writeAll(target, buffer, got);
    }
}

void syncFile(const fs::path& file, int flags) {
    const platform::files::UniqueFd fd(::open(file.c_str(), flags | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0) throwErrno("fsync");
}

}  // namespace

PendingReplacement::PendingReplacement(const fs::path& target, bool withTarget) : m_target(target) {
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        const std::string suffix = ".~" + std::to_string(random()) + ".tmp";
        m_working = target;
        m_working.replace_filename("." + target.filename().string() + suffix);
        const int fd = ::open(m_working.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST && attempt < 100) continue;
            m_working.clear();
            throwErrno("open");
        }
        const platform::files::UniqueFd working(fd);
        try {
            if (withTarget) copyInto(target, fd);
        } catch (...) {
            ::unlink(m_working.c_str());
            m_working.clear();
            throw;
        }
        return;
    }
}

PendingReplacement::~PendingReplacement() {
    if (!m_committed && !m_working.empty()) ::unlink(m_working.c_str());
}

void PendingReplacement::commit() {
    syncFile(m_working, O_RDONLY);
    if (::rename(m_working.c_str(), m_target.c_str()) != 0) throwErrno("rename");
    m_committed = true;
    // The rename itself reaches the disk with the folder.
    const fs::path folder = m_target.has_parent_path() ? m_target.parent_path() : fs::path(".");
    try {
        syncFile(folder, O_RDONLY | O_DIRECTORY);
    } catch (const std::system_error&) {
        // The new container is in place; a folder that cannot be synced
        // (some file systems refuse) changes nothing for the caller.
    }
}
