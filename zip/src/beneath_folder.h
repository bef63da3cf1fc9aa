// Disk extraction below a caller's folder without ever leaving it. The
// caller's folder is opened as named (links in its own path are the
// caller's); every folder and file below it is reached from its parent's
// descriptor with O_NOFOLLOW, so a symbolic link that stands anywhere below
// the folder stops the walk with ELOOP instead of leading elsewhere. A file
// is written under a temporary name in its folder and renamed onto its
// name once complete. Failures throw CZipException with errno as the code
// and the path the caller sees as the file name.
#pragma once

#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "zip/zip_file.h"

namespace zipextract {

// A path below the folder split into its components, as the file system
// names them; a component longer than NAME_MAX bytes is ENAMETOOLONG.
std::vector<std::string> componentsOf(const CZipString& relative, const CZipString& shownPath);

// An open folder below the caller's folder.
class BeneathFolder {
public:
    // The caller's folder (created when missing; empty: the current
    // folder), then every component below it, each created when missing.
    BeneathFolder(const CZipString& folder, const std::vector<std::string>& components, const CZipString& shownPath);
    BeneathFolder(const BeneathFolder&) = delete;
    BeneathFolder& operator=(const BeneathFolder&) = delete;

    int descriptor() const noexcept { return m_fd.get(); }
    const CZipString& shownPath() const noexcept { return m_shownPath; }
    [[noreturn]] void Fail(int error) const;

private:
    platform::files::UniqueFd m_fd;
    CZipString m_shownPath;
};

// A new file of a free name in the folder, open for writing. It is removed
// unless moved onto its name.
class TemporaryFile : public CZipFile {
public:
    explicit TemporaryFile(const BeneathFolder& folder);
    ~TemporaryFile() override;

    // The modification time (seconds since 1970) and, for a read-only
    // entry, the mode without write permission; then the file is closed.
    void Finish(std::int64_t modified, bool readOnly);
    // Renames the closed file onto the name, which a symbolic link may not
    // hold (ELOOP); a file there is replaced.
    void MoveTo(const std::string& name);

private:
    const BeneathFolder& m_folder;
    std::string m_name;
};

}  // namespace zipextract
