// Files a user keeps are rewritten beside themselves and renamed over, so a
// program killed at any moment leaves the old file or the new one.
#pragma once

#include <filesystem>
#include <string_view>

namespace halvex {

// An open file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return m_fd; }
    // Closes now, reporting whether the close succeeded.
    bool close();

private:
    int m_fd;
};

// Writes the bytes to "<file><suffix>", flushes them to the disk and renames
// that over the file. A file already there keeps its permission bits, a new
// one gets 0666 less the umask. False, with nothing left beside the file and
// the file as it was, when any step fails.
bool ReplaceFileWith(const std::filesystem::path& file, std::string_view bytes, const char* suffix);

}  // namespace halvex
