#include "halvex/files_and_paths.h"

#include <fstream>
#include <iterator>

#include "file_replace.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/files.h"
#include "win32/modules.h"
#include "win32/shell.h"

namespace halvex {
namespace {

std::size_t LastSeparator(const std::u16string& path) { return path.find_last_of(u"\\/"); }

}  // namespace

bool ReadFileToText(const std::u16string& path, std::u16string& text) {
    if (path.empty()) return false;
    std::ifstream in(platform::paths::fromWindows(path), std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    text = platform::text::toWide(bytes, CP_ACP);
    return true;
}

bool WriteTextToFile(const std::u16string& path, const std::u16string& text) {
    if (path.empty()) return false;
    return ReplaceFileWith(platform::paths::fromWindows(path), platform::text::toUtf8(text), ".tmp");
}

std::u16string GetModulePath() {
    char16_t buffer[260] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 260);
    return std::u16string(buffer, length < 260 ? length : 0);
}

std::u16string GetProgramFolder() {
    const std::u16string path = GetModulePath();
    const auto separator = LastSeparator(path);
    return separator == std::u16string::npos ? path : path.substr(0, separator);
}

std::u16string GetProgramName() {
    const std::u16string path = GetModulePath();
    const auto separator = LastSeparator(path);
    std::u16string name = separator == std::u16string::npos ? path : path.substr(separator + 1);
    const auto extension = name.rfind(u".exe");
    if (extension != std::u16string::npos) name.resize(extension);
    return name;
}

std::u16string GetCurrentDir() {
    char16_t buffer[260] = {};
    const DWORD length = GetCurrentDirectoryW(260, buffer);
    return std::u16string(buffer, length < 260 ? length : 0);
}

std::u16string GetDocumentsFolder() {
    char16_t buffer[260] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PERSONAL, TRUE)) return {};
    return buffer;
}

}  // namespace halvex
