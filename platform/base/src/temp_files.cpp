// The user's temporary folder and GetTempFileName's "<prefix><hex>.tmp"
// names: up to three characters of the prefix, the low 16 bits of the
// number in upper-case hexadecimal.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "caller_text.h"
#include "file_errors.h"
#include "platform/boundary.h"
#include "required.h"
#include "platform/unique_fd.h"
#include "win32/datetime.h"
#include "win32/files.h"

namespace platform::files {

namespace {

// The longest folder text Windows accepts, leaving room for the name.
constexpr std::size_t kMaxFolderText = MAX_PATH - 14;

template <class Char>
std::basic_string<Char> widened(std::string_view ascii) {
    return std::basic_string<Char>(ascii.begin(), ascii.end());
}

template <class Char>
std::basic_string<Char> tempFileText(const std::basic_string<Char>& folder, const std::basic_string<Char>& prefix,
                                     UINT unique) {
    char number[8];
    std::snprintf(number, sizeof number, "%X", unique);
    std::basic_string<Char> text = folder;
    if (!text.empty() && text.back() != Char('/') && text.back() != Char('\\')) text += Char('/');
    return text + prefix + widened<Char>(number) + widened<Char>(".tmp");
}

// Creates the file; false when the name is taken.
bool createNew(const fs::path& p) {
    UniqueFd fd(::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd) return true;
    if (errno == EEXIST) return false;
    throwPathError(p, "open", errno);
}

// With uUnique 0 the numbers are tried from one taken from the clock until a
// free name is found and created; otherwise the name is only made.
template <class Char>
UINT tempFileName(const Char* folder, const Char* prefix, UINT unique, Char* out) {
    return winValue<UINT>(0, [&]() -> UINT {
        const std::basic_string<Char> folderText(&required(folder));
        Char* result = &required(out);
        if (folderText.size() > kMaxFolderText) throw WinError(ERROR_BUFFER_OVERFLOW, "temporary folder path too long");
        const auto prefixText = prefix ? std::basic_string<Char>(prefix).substr(0, 3) : std::basic_string<Char>();
        auto deliver = [&](UINT number) {
            copyToBuffer(tempFileText(folderText, prefixText, number), result, MAX_PATH);
            return number;
        };
        if (unique != 0) return deliver(unique & 0xFFFF);
        UINT number = GetTickCount() & 0xFFFF;
        for (UINT tries = 0; tries < 0xFFFF; ++tries) {
            number = number % 0xFFFF + 1;  // 1 to 0xFFFF: 0 would mean "make one up"
            const auto text = tempFileText(folderText, prefixText, number);
            if (createNew(pathArg(text.c_str()))) return deliver(number);
        }
        throw WinError(ERROR_FILE_EXISTS, "every temporary file name is taken");
    });
}

template <class Char>
DWORD tempPath(DWORD size, Char* buffer) {
    return winValue<DWORD>(
        0, [&] { return copyWithLength(pathText<Char>(paths::tempFolder()) + Char('/'), buffer, size); });
}

}  // namespace

}  // namespace platform::files

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) noexcept {
    return platform::files::tempPath(nBufferLength, lpBuffer);
}
DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) noexcept {
    return platform::files::tempPath(nBufferLength, lpBuffer);
}

// lpTempFileName must hold MAX_PATH characters, as on Windows.
UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) noexcept {
    return platform::files::tempFileName(lpPathName, lpPrefixString, uUnique, lpTempFileName);
}
UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) noexcept {
    return platform::files::tempFileName(lpPathName, lpPrefixString, uUnique, lpTempFileName);
}
