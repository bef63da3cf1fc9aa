// A file written under a temporary name beside its target and moved onto
// the target in one rename once it is complete, so that the target is
// always either what it was or the whole new file. The writer holds an
// exclusive lock (flock) on its temporary file while it lives, so the
// left-over of a writer that was killed can be told from a live one's.
#pragma once

#include <filesystem>

#include "platform/unique_fd.h"

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
    // Removes the temporary files of the target that no writer holds: the
    // left-overs of writers that were killed. Other names stay; failures
    // are ignored.
    static void removeLeftOvers(const std::filesystem::path& target);
    // Flushes the temporary file to the disk and renames it onto the
    // target. Throws std::system_error; the target is then unchanged.
    void commit();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_working;
    platform::files::UniqueFd m_locked;  // the temporary file, locked
    bool m_committed = false;
};
