#include "share_modes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/win_error.h"

namespace platform::files {

namespace {

struct Open {
    std::uint64_t serial;
    DWORD access;
    DWORD share;
};

struct OpenedFile {
    std::vector<Open> opens;
    std::filesystem::path deleteOnClose;
};

class ShareTable {
public:
    std::uint64_t add(FileId id, DWORD access, DWORD share, std::filesystem::path deleteOnClose) {
        std::lock_guard lock(m_mutex);
        OpenedFile& file = m_files[id];
        if (conflicts(file, access, share)) {
            if (file.opens.empty()) m_files.erase(id);
            throw WinError(ERROR_SHARING_VIOLATION, "the file is open with an incompatible sharing mode");
        }
        if (!deleteOnClose.empty()) file.deleteOnClose = std::move(deleteOnClose);
        file.opens.push_back({++m_lastSerial, access, share});
        return m_lastSerial;
    }

    void remove(FileId id, std::uint64_t serial) noexcept {
        std::lock_guard lock(m_mutex);
        auto it = m_files.find(id);
        if (it == m_files.end()) return;
        auto& opens = it->second.opens;
        std::erase_if(opens, [&](const Open& o) { return o.serial == serial; });
        if (!opens.empty()) return;
        removeIfStill(id, it->second.deleteOnClose);
        m_files.erase(it);
    }

    void check(FileId id, DWORD access) {
        std::lock_guard lock(m_mutex);
        auto it = m_files.find(id);
        if (it != m_files.end() && conflicts(it->second, access, kShareAll))
            throw WinError(ERROR_SHARING_VIOLATION, "the file is open with an incompatible sharing mode");
    }

private:
    static bool conflicts(const OpenedFile& file, DWORD access, DWORD share) noexcept {
        for (const Open& o : file.opens)
            if ((access & ~o.share & kShareAll) || (o.access & ~share & kShareAll)) return true;
        return false;
    }

    // The name may have been renamed or replaced since: only the same file goes.
    static void removeIfStill(FileId id, const std::filesystem::path& p) noexcept {
        struct stat st {};
        if (p.empty() || lstat(p.c_str(), &st) != 0) return;
        if (FileId{st.st_dev, st.st_ino} == id) unlink(p.c_str());
    }

    std::mutex m_mutex;
    std::map<FileId, OpenedFile> m_files;
    std::uint64_t m_lastSerial = 0;
};

ShareTable& table() {
    static ShareTable shares;
    return shares;
}

}  // namespace

ShareEntry::ShareEntry(FileId id, DWORD access, DWORD share, std::filesystem::path deleteOnClose)
    : m_id(id), m_serial(table().add(id, access, share, std::move(deleteOnClose))) {}

ShareEntry::~ShareEntry() { table().remove(m_id, m_serial); }

void checkSharing(const std::filesystem::path& p, DWORD access) {
    struct stat st {};
    if (stat(p.c_str(), &st) == 0) table().check({st.st_dev, st.st_ino}, access);
}

}  // namespace platform::files
