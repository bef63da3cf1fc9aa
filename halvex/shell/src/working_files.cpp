#include "working_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "platform/paths.h"
#include "win32/process.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 16;

// The variable's text, empty when it is not set.
std::u16string Variable(const char16_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::u16string value(size, u'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

}  // namespace

bool CreateExclusive(const fs::path& file, unsigned mode) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

fs::path TeskDataFolder() {
    const std::u16string appData = Variable(u"APPDATA");
    if (appData.empty()) return {};
    const fs::path folder = platform::paths::fromWindows(appData) / "Tesk";
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Judged and tightened through one handle, so what is checked is what
    // is changed; O_NOFOLLOW refuses a link in the folder's place.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat status{};
    const bool own = ::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
                     ((status.st_mode & 0777) == 0700 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return own ? folder : fs::path();
}

std::string WorkingFiles::RandomName() {
    static std::mt19937 generator{std::random_device{}()};
    const auto draw = [](unsigned bound) { return static_cast<unsigned>(generator() % bound); };
    std::string name;
    const unsigned length = draw(15) + 15;
    for (unsigned i = 0; i < length; ++i) {
        switch (draw(3)) {
            case 0:
                name += static_cast<char>('0' + draw(10));
                break;
            case 1:
                name += static_cast<char>('A' + draw(25));
                break;
            default:
                name += static_cast<char>('a' + draw(25));
                break;
        }
    }
    return name;
}

WorkingFiles::WorkingFiles(const std::function<std::string()>& names) {
    const fs::path folder = TeskDataFolder();
    if (folder.empty()) return;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = names();
        const fs::path text = folder / (name + ".txt");
        const fs::path container = folder / (name + ".kyd");
        if (!CreateExclusive(text, kOwnerOnly)) continue;
        if (!CreateExclusive(container, kOwnerOnly)) {
            ::unlink(text.c_str());
            continue;
        }
        m_text = text;
        m_container = container;
        return;
    }
}

WorkingFiles::~WorkingFiles() {
    if (!Created()) return;
    ::unlink(m_text.c_str());
    ::unlink(m_container.c_str());
}

bool WriteWholeFile(const fs::path& file, const std::string& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t done = 0;
    int cause = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            cause = written < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0 && cause == 0) cause = errno;
    errno = cause;
    return cause == 0;
}

bool ReadWholeFile(const fs::path& file, std::string& bytes, std::uintmax_t limit) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string read;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (read.size() + static_cast<std::size_t>(got) > limit) {
            ok = false;
            break;
        }
        read.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (ok) bytes = std::move(read);
    return ok;
}

}  // namespace halvex
