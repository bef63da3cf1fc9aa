// FindFirstFile / FindNextFile / FindClose. A search lists the folder once,
// at FindFirstFile, in the order NTFS gives ("." and ".." first, then names
// compared without case); each entry's details are read as it is returned,
// and entries gone by then are passed over.
#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <type_traits>
#include <vector>

#include "calendar.h"
#include "caller_text.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "platform/kernel_object.h"
#include "platform/owned.h"
#include "required.h"
#include "wildcard.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace platform::files {

namespace {

using Directory = Owned<DIR, closedir>;

class FindSearch final : public KernelObject {
public:
    FindSearch(fs::path folder, std::vector<std::string> names)
        : m_folder(std::move(folder)), m_names(std::move(names)) {}

    // The next entry that still exists, or nothing at the end.
    std::optional<std::pair<std::string, FileInfo>> next() {
        while (m_next < m_names.size()) {
            const std::string& name = m_names[m_next++];
            try {
                return std::pair{name, infoOfPath(m_folder / name, name)};
            } catch (const WinError&) {
                // removed or unreadable since the listing
            }
        }
        return std::nullopt;
    }

private:
    fs::path m_folder;
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

std::vector<std::string> matchingNames(const fs::path& folder, std::u16string_view pattern) {
    Directory dir(opendir(folder.c_str()));
    if (!dir) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) throw WinError(ERROR_PATH_NOT_FOUND, "no such folder: " + folder.string());
        throwPathError(folder, "opendir", err);
    }
    std::vector<std::pair<std::u16string, std::string>> found;
    auto consider = [&](std::string name) {
        std::u16string wide = text::fromUtf8(name);
        if (matchesWildcard(pattern, wide)) found.emplace_back(std::move(wide), std::move(name));
    };
    consider(".");
    consider("..");
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") consider(std::string(name));
    }
    auto dotsFirst = [](const std::u16string& s) { return s == u"." ? 0 : (s == u".." ? 1 : 2); };
    std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
        if (dotsFirst(a.first) != dotsFirst(b.first)) return dotsFirst(a.first) < dotsFirst(b.first);
        const int order = text::compareNoCase(a.first, b.first);
        return order != 0 ? order < 0 : a.first < b.first;
    });
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& [wide, name] : found) names.push_back(std::move(name));
    return names;
}

template <class Data>
void fill(Data& data, const std::string& name, const FileInfo& info) {
    using Char = std::remove_extent_t<decltype(data.cFileName)>;
    data = Data{};
    data.dwFileAttributes = info.attributes;
    data.ftCreationTime = calendar::fileTimeOf(info.creationTime);
    data.ftLastAccessTime = calendar::fileTimeOf(info.lastAccessTime);
    data.ftLastWriteTime = calendar::fileTimeOf(info.lastWriteTime);
    data.nFileSizeHigh = static_cast<DWORD>(info.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(info.size);
    copyToArray(callerText<Char>(name), data.cFileName);
}

template <class Data>
bool deliverNext(FindSearch& search, Data* out) {
    Data& data = required(out);
    auto entry = search.next();
    if (!entry) return false;
    fill(data, entry->first, entry->second);
    return true;
}

template <class Char, class Data>
HANDLE findFirst(const Char* name, Data* out) {
    return winValue(INVALID_HANDLE_VALUE, [&] {
        required(out);
        const fs::path p = patternArg(name);
        const std::u16string pattern = text::fromUtf8(p.filename().native());
        if (pattern.empty()) throw WinError(ERROR_FILE_NOT_FOUND, "no name to search for");
        const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
        auto search = std::make_shared<FindSearch>(folder, matchingNames(folder, pattern));
        if (!deliverNext(*search, out)) throw WinError(ERROR_FILE_NOT_FOUND, "no file matches " + p.string());
        return addKernelObject(std::move(search));
    });
}

template <class Data>
BOOL findNext(HANDLE h, Data* out) {
    return winBool([&] {
        if (!deliverNext(*kernelObjectAs<FindSearch>(h), out)) throw WinError(ERROR_NO_MORE_FILES, "no more files");
        return true;
    });
}

BOOL findClose(HANDLE h) {
    return winBool([&] {
        kernelObjectAs<FindSearch>(h);  // only a search handle may be closed here
        return CloseHandle(h) != FALSE;
    });
}

}  // namespace

}  // namespace platform::files

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) noexcept {
    return platform::files::findFirst(lpFileName, lpFindFileData);
}
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) noexcept {
    return platform::files::findFirst(lpFileName, lpFindFileData);
}
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) noexcept {
    return platform::files::findNext(hFindFile, lpFindFileData);
}
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) noexcept {
    return platform::files::findNext(hFindFile, lpFindFileData);
}
BOOL FindClose(HANDLE hFindFile) noexcept { return platform::files::findClose(hFindFile); }
