#include "file_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/win_error.h"

namespace platform::files {

namespace {
bool folderExists(const std::filesystem::path& p) {
    const std::filesystem::path parent = p.parent_path();
    struct stat st {};
    return stat(parent.empty() ? "." : parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

DWORD codeOfPathErrno(const std::filesystem::path& p, int err) {
    if (err == ENOENT) return folderExists(p) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return win32CodeOfErrno(err);
}

void throwPathError(const std::filesystem::path& p, std::string_view call, int err) {
    throwErrno(codeOfPathErrno(p, err), std::string(call) + " " + p.string(), err);
}

}  // namespace platform::files
