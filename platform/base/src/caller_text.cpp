#include "caller_text.h"

namespace platform::files {

namespace {
template <class Char>
void checkPresent(const Char* s) {
    if (!s) throw WinError(ERROR_INVALID_PARAMETER, "null path");
    if (!*s) throw WinError(ERROR_PATH_NOT_FOUND, "empty path");
}
}  // namespace

// A "?" in ANSI text must not open a file that happens to bear it.
fs::path pathArg(const char* ansi) {
    checkPresent(ansi);
    if (paths::holdsWildcard(ansi)) throw WinError(ERROR_INVALID_NAME, "wildcard character in an ANSI file name");
    return paths::fromWindowsAnsi(ansi);
}

fs::path patternArg(const char* ansi) {
    checkPresent(ansi);
    return paths::fromWindowsAnsi(ansi);
}

fs::path patternArg(const char16_t* wide) { return pathArg(wide); }

fs::path pathArg(const char16_t* wide) {
    checkPresent(wide);
    return paths::fromWindows(wide);
}

}  // namespace platform::files
