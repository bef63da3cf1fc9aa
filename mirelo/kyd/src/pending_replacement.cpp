#include "pending_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
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

constexpr char kWorkingInfix[] = ".~";
constexpr char kWorkingSuffix[] = ".tmp";

// ".<target's name>.~<number>.tmp", the names a writer of the target uses.
bool isWorkingName(const std::string& name, const std::string& targetName) {
    const std::string prefix = "." + targetName + kWorkingInfix;
    const std::string suffix = kWorkingSuffix;
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return false;
    const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return number.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

void PendingReplacement::removeLeftOvers(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string targetName = target.filename().string();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!isWorkingName(it->path().filename().string(), targetName)) continue;
        const platform::files::UniqueFd file(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        struct stat named {};
        if (!file || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) continue;
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) continue;  // a live writer's
        // Still the file that was locked, not one a new writer put there.
        if (::lstat(it->path().c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlink(it->path().c_str());
    }
}

PendingReplacement::PendingReplacement(const fs::path& target, bool withTarget) : m_target(target) {
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        const std::string suffix = kWorkingInfix + std::to_string(random()) + kWorkingSuffix;
        m_working = target;
        m_working.replace_filename("." + target.filename().string() + suffix);
        const int fd = ::open(m_working.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST && attempt < 100) continue;
            m_working.clear();
            throwErrno("open");
        }
        // Locked at once: a sweep that came between the two calls would
        // only make this writer's commit fail, never touch the target.
        m_locked = platform::files::UniqueFd(fd);
        try {
            if (::flock(fd, LOCK_EX) != 0) throwErrno("flock");
            if (withTarget) copyInto(target, fd);
        } catch (...) {
            ::unlink(m_working.c_str());
            m_working.clear();
            m_locked.reset();
            throw;
        }
        return;
    }
}

PendingReplacement::~PendingReplacement() {
    if (!m_committed && !m_working.empty()) ::unlink(m_working.c_str());
}

void PendingReplacement::commit() {
    if (::fsync(m_locked.get()) != 0) throwErrno("fsync");
    if (::rename(m_working.c_str(), m_target.c_str()) != 0) throwErrno("rename");
    m_committed = true;
    m_locked.reset();
    // The rename itself reaches the disk with the folder.
    const fs::path folder = m_target.has_parent_path() ? m_target.parent_path() : fs::path(".");
    try {
        syncFile(folder, O_RDONLY | O_DIRECTORY);
    } catch (const std::system_error&) {
        // The new container is in place; a folder that cannot be synced
        // (some file systems refuse) changes nothing for the caller.
    }
}
