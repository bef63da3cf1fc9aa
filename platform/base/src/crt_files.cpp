// crt_files.cpp: _wfopen_s.
#include "win32/crt_files.h"

#include <cerrno>
#include <string>

#include "caller_text.h"

namespace {

// The mode as fopen takes it, or "" when it is not one of the C runtime's.
std::string fopenMode(const char16_t* mode) {
    std::u16string text(mode);
    if (text.empty() || (text[0] != u'r' && text[0] != u'w' && text[0] != u'a')) return {};
    std::string out(1, static_cast<char>(text[0]));
    bool plus = false, kind = false, exclusive = false;
    for (const char16_t c : text.substr(1)) {
        bool* seen = c == u'+'                       ? &plus
                     : c == u'b' || c == u't'        ? &kind
                     : c == u'x' && text[0] == u'w' ? &exclusive
                                                     : nullptr;
        if (!seen || *seen) return {};
        *seen = true;
    }
    return out + (plus ? "+" : "") + "b" + (exclusive ? "x" : "");
}

}  // namespace

errno_t _wfopen_s(FILE** pFile, LPCWSTR filename, LPCWSTR mode) noexcept {
    if (!pFile) return EINVAL;
    *pFile = nullptr;
    if (!filename || !mode) return EINVAL;
    if (!*filename) return ENOENT;
    try {
        const std::string how = fopenMode(mode);
        if (how.empty()) return EINVAL;
        const auto path = platform::files::pathArg(filename);
        *pFile = std::fopen(path.c_str(), how.c_str());
        return *pFile ? 0 : errno;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (...) {
        return EINVAL;
    }
}
