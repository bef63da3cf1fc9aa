// For a scope, files of this process cannot grow past a few bytes
// (RLIMIT_FSIZE, with SIGXFSZ ignored): a write past the limit fails with
// EFBIG, as on a full disk, instead of ending the process.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace lumvar::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit lowered = m_before;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    void (*m_handler)(int);
    rlimit m_before{};
};

}  // namespace lumvar::testing
