// SHFileOperationW's FO_DELETE: trees removed depth first without following
// links, each file checked against the open handles of this process first,
// as Windows refuses to delete a file opened without delete sharing.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "caller_text.h"
#include "file_errors.h"
#include "platform/boundary.h"
#include "share_modes.h"
#include "win32/shell.h"

namespace platform::files {

namespace {

constexpr FILEOP_FLAGS kSilentFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;

void removeTree(const fs::path& p) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0) throwPathError(p, "lstat", errno);
    if (!S_ISDIR(st.st_mode)) {
        checkSharing(p, kDeleteAccess);
        if (unlink(p.c_str()) != 0) throwPathError(p, "unlink", errno);
        return;
    }
    std::vector<fs::path> children;
    std::error_code error;
    for (fs::directory_iterator it(p, error), end; !error && it != end; it.increment(error))
        children.push_back(it->path());
    if (error) throwPathError(p, "opendir", error.value());
    for (const fs::path& child : children) removeTree(child);
    if (rmdir(p.c_str()) != 0) throwPathError(p, "rmdir", errno);
}

void deleteAll(const SHFILEOPSTRUCTW& op) {
    if (op.wFunc != FO_DELETE || (op.fFlags & ~kSilentFlags) || !(op.fFlags & FOF_NOCONFIRMATION) || !op.pFrom ||
        !*op.pFrom)
        throw WinError(ERROR_INVALID_PARAMETER, "SHFileOperationW: only a silent FO_DELETE of named files");
    for (const char16_t* name = op.pFrom; *name; name += std::char_traits<char16_t>::length(name) + 1)
        removeTree(pathArg(name));
}

}  // namespace

}  // namespace platform::files

int SHFileOperationW(SHFILEOPSTRUCTW* lpFileOp) noexcept {
    return static_cast<int>(platform::winLong([&] {
        if (!lpFileOp) throw platform::WinError(ERROR_INVALID_PARAMETER, "SHFileOperationW: no operation");
        lpFileOp->fAnyOperationsAborted = FALSE;
        lpFileOp->hNameMappings = nullptr;
        platform::files::deleteAll(*lpFileOp);
    }));
}
