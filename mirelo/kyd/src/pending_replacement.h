// A file written under a temporary name beside its target and moved onto
// the target in one rename once it is complete, so that the target is
// always either what it was or the whole new file.
#pragma once

#include <filesystem>

class PendingReplacement {
public:
    // Creates the temporary file (permissions by the umask, or the
    // target's when it is copied) in the target's folder; withTarget fills
    // it with the target's bytes. Throws std::system_error.
    PendingReplacement(const std::filesystem::path& target, bool withTarget);
    PendingReplacement(const PendingReplacement&) = delete;
    PendingReplacement& operator=(const PendingReplacement&) = delete;
    // Removes the temporary file unless it was committed.
    ~PendingReplacement();

    const std::filesystem::path& working() const noexcept { return m_working; }
    // Flushes the temporary file to the disk and renames it onto the
    // target. Throws std::system_error; the target is then unchanged.
    void commit();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_working;
    bool m_committed = false;
};
