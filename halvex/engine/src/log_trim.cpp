// Trimming of the log file, rewritten beside itself and renamed over.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "file_replace.h"
#include "halvex/log.h"
#include "platform/paths.h"

namespace halvex {
namespace {

constexpr off_t kTrimAbove = 400000;
constexpr off_t kKeep = 200000;

bool readAll(int fd, std::string& into, off_t from) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(fd, into.data() + done, into.size() - done, from + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Where the first whole entry of the tail begins: after a line break, on a
// line that is no continuation (those start with a tab). `before` is the
// byte in front of the tail. The tail's length when no entry begins in it.
std::size_t firstEntry(std::string_view tail, char before) {
    for (std::size_t at = 0; at < tail.size(); ++at) {
        const char previous = at == 0 ? before : tail[at - 1];
        if (previous == '\n' && tail[at] != '\t') return at;
    }
    return tail.size();
}

}  // namespace

bool TrimLogFile(const std::filesystem::path& file) {
    const Descriptor source(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (source.get() < 0 || ::fstat(source.get(), &status) != 0) return errno == ENOENT;
    if (status.st_size <= kTrimAbove) return true;

    std::string tail(static_cast<std::size_t>(kKeep) + 1, '\0');
    if (!readAll(source.get(), tail, status.st_size - kKeep - 1)) return false;
    const std::string_view kept = std::string_view(tail).substr(1 + firstEntry(std::string_view(tail).substr(1), tail[0]));

    return ReplaceFileWith(file, kept, ".trim");
}

void TLogFile::Trim() {
    const std::lock_guard lock(m_mutex);
    if (!m_path.empty()) TrimLogFile(platform::paths::fromWindows(m_path));
}

}  // namespace halvex
