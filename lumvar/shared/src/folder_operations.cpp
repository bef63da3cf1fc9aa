// DeleteDirectory and CopyDir.
#include "lumvar/folder_operations.h"

#include "lumvar/log_writer.h"
#include "lumvar/relative_path.h"
#include "lumvar/sha1_hash.h"
#include "lumvar/result_codes.h"
#include "platform/owned.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/shell.h"

namespace lumvar {
namespace {

using log::Level;

// Longest folder path the walks accept, without the "*" of the search.
constexpr std::size_t kMaxFolderPath = 257;

std::u16string asFolder(std::u16string path) {
    if (path.empty() || (path.back() != u'\\' && path.back() != u'/')) path.push_back(u'\\');
    return path;
}

// A copy that failed is harmless when the destination already holds the
// same bytes; a digest that could not be computed proves nothing.
bool sameContent(const std::u16string& a, const std::u16string& b) {
    Sha1Hash first;
    Sha1Hash second;
    return first.calcFromFile(a) == kOk && second.calcFromFile(b) == kOk && first == second;
}

bool isLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

bool DeleteDirectory(const std::u16string& path) {
    std::u16string from = path;
    if (!from.empty() && (from.back() == u'\\' || from.back() == u'/')) from.pop_back();
    log::write(Level::Debug, u"DeleteDirectory: pszFrom = %ls", from.c_str());
    from.push_back(u'\0');  // the list's end; the string adds the name's own
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    const int result = SHFileOperationW(&operation);
    if (result == 0) return true;
    log::write(Level::Error, u"SHFileOperation returns %d", result);
    return false;
}

CopyResult CopyDir(const std::u16string& sourcePath, const std::u16string& destinationPath) {
    const std::u16string source = asFolder(sourcePath);
    const std::u16string destination = asFolder(destinationPath);
    log::write(Level::Debug, u"CopyDir: Source %ls, Destination %ls", source.c_str(), destination.c_str());
    if (source.size() > kMaxFolderPath) return CopyResult::Failed;
    WIN32_FIND_DATAW entry{};
    const HANDLE first = FindFirstFileW((source + u"*").c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE) return CopyResult::Failed;
    const platform::Owned<void, FindClose> find(first);
    CopyResult result = CopyResult::Copied;
    do {
        if (isDotEntry(entry.cFileName)) continue;
        const std::u16string from = source + entry.cFileName;
        const std::u16string to = destination + entry.cFileName;
        // Listed as a link, or one since: what it leads to is no part of
        // the tree, and a link back into it would never end.
        if (isLink(entry.dwFileAttributes) || isLink(GetFileAttributesW(from.c_str()))) {
            log::write(Level::Error, u"CopyDir: Ve složce je odkaz \"%ls\"", from.c_str());
            return CopyResult::LinkFound;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                result = CopyResult::Failed;
            const CopyResult below = CopyDir(from, to);
            if (below == CopyResult::LinkFound) return below;
            if (below == CopyResult::Failed) result = below;
            continue;
        }
        log::write(Level::Debug, u"Kopírování souboru %ls", from.c_str());
        if (CopyFileW(from.c_str(), to.c_str(), FALSE) || sameContent(from, to)) continue;
        log::write(Level::Error, u"Chyba pri kopirovani souboru");
        result = CopyResult::Failed;
    } while (FindNextFileW(find.get(), &entry));
    return result;
}

}  // namespace lumvar
