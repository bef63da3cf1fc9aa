// Folders and files below an extraction folder, reached one component at a
// time from the parent's descriptor and never through a symbolic link.
#include "beneath_folder.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/beneath.h"
#include "win_calls.h"
#include "zip/zip_exception.h"
#include "zip/zip_platform.h"
#include "zip_random.h"

namespace zipextract {

namespace {

constexpr int kTemporaryAttempts = 100;

std::string diskPath(const CZipString& path, const CZipString& shownPath) {
    try {
        return zipwin::linuxPath(path.c_str()).native();
    } catch (...) {
        CZipException::Throw(EINVAL, shownPath);  // a name the layer cannot convert
    }
}

}  // namespace

std::vector<std::string> componentsOf(const CZipString& relative, const CZipString& shownPath) {
    const std::string path = diskPath(relative, shownPath);
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end - start > NAME_MAX) CZipException::Throw(ENAMETOOLONG, shownPath);
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

BeneathFolder::BeneathFolder(const CZipString& folder, const std::vector<std::string>& components,
                             const CZipString& shownPath)
    : m_shownPath(shownPath) {
    if (!folder.empty()) ZipSystem::ForceDirectory(folder);
    const std::string base = folder.empty() ? "." : diskPath(folder, shownPath);
    m_fd = platform::beneath::openBelow(base, {}, false);
    if (!m_fd) Fail(errno);
    for (const std::string& name : components) {
        m_fd = platform::beneath::openFolder(m_fd.get(), name, true);
        if (!m_fd) Fail(errno);
    }
}

void BeneathFolder::Fail(int error) const { CZipException::Throw(error, m_shownPath); }

TemporaryFile::TemporaryFile(const BeneathFolder& folder) : m_folder(folder) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::uint32_t random = 0;
        ziprandom::fill(&random, sizeof random);
        char name[16];
        std::snprintf(name, sizeof name, "ZAR%08X.tmp", static_cast<unsigned>(random));
        const int fd = ::openat(folder.descriptor(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd != -1) {
            m_hFile = fd;
            m_szFileName = folder.shownPath();
            m_name = name;
            return;
        }
        if (errno != EEXIST) folder.Fail(errno);
    }
    folder.Fail(EEXIST);
}

TemporaryFile::~TemporaryFile() {
    if (!m_name.empty()) ::unlinkat(m_folder.descriptor(), m_name.c_str(), 0);
}

void TemporaryFile::Finish(std::int64_t modified, bool readOnly) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modified), 0}};
    if (::futimens(m_hFile, times) != 0) ThrowFromErrno();
    struct stat info {};
    if (readOnly && (::fstat(m_hFile, &info) != 0 || ::fchmod(m_hFile, info.st_mode & 07555) != 0)) ThrowFromErrno();
    Close();
}

void TemporaryFile::MoveTo(const std::string& name) {
    const int folder = m_folder.descriptor();
    if (platform::beneath::isLink(folder, name)) m_folder.Fail(ELOOP);
    if (::renameat(folder, m_name.c_str(), folder, name.c_str()) != 0) m_folder.Fail(errno);
    m_name.clear();
}

}  // namespace zipextract
