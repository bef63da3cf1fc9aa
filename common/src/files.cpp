// files.cpp: file helpers over the file and module functions.
#include "common/files.h"

#include "win32/files.h"
#include "win32/modules.h"
#include "win32/sync.h"

bool FileExists(const char* path) {
    if (!path || !*path) return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool ReadFileToBuffer(const std::string& path, std::vector<BYTE>& out) {
    if (path.empty()) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool whole = false;
    LARGE_INTEGER size{};
    // One ReadFile takes at most 4 GiB - 1 bytes: a larger file is refused
    // rather than read in part.
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= 0xFFFFFFFFll) {
        const DWORD length = static_cast<DWORD>(size.QuadPart);
        out.resize(length);
        DWORD read = 0;
        whole = ReadFile(file, out.data(), length, &read, nullptr) && read == length;
    }
    CloseHandle(file);
    return whole;
}

bool ReadFileToVector(const std::string& path, std::string& out) {
    std::vector<BYTE> bytes;
    const bool whole = ReadFileToBuffer(path, bytes);
    out.assign(bytes.begin(), bytes.end());
    return whole;
}

bool GetModuleDirectory(std::string& folder) {
    // GetModuleFileNameA fills the whole buffer when the path is cut: grow
    // the buffer until the path fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return false;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of("\\/");
    folder = separator == std::string::npos ? std::string() : path.substr(0, separator);
    return true;
}
