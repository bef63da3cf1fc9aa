// "hhctrl.ocx": help as a folder of HTML pages named after the help file,
// each page opened with the desktop's handler.
#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"
#include "win32/htmlhelp.h"
#include "win32/shell.h"

namespace {

namespace fs = std::filesystem;

// Never a pointer: the help's window belongs to the desktop's handler.
HWND const kHelpWindow = reinterpret_cast<HWND>(std::uintptr_t{0x10030});

bool isPage(const fs::path& page) {
    std::error_code error;
    return fs::is_regular_file(page, error);
}

// The page the command asks for; empty when there is none.
fs::path pageOf(fs::path folder, UINT command, DWORD_PTR data) {
    folder.replace_extension();
    if (command == HH_HELP_CONTEXT) {
        const fs::path topic = folder / (std::to_string(data) + ".htm");
        if (isPage(topic)) return topic;
    } else if (command != HH_DISPLAY_TOPIC || data != 0) {
        return {};
    }
    const fs::path fallback = folder / "index.htm";
    return isPage(fallback) ? fallback : fs::path();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HWND HtmlHelpW(HWND, LPCWSTR pszFile, UINT uCommand,
                                                                 DWORD_PTR dwData) noexcept {
    if (!pszFile || !*pszFile) return nullptr;
    try {
        const fs::path page = pageOf(platform::paths::fromWindows(pszFile), uCommand, dwData);
        if (page.empty()) return nullptr;
        const std::u16string wide = platform::text::fromUtf8(page.string());
        const auto opened =
            reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, u"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return opened > 32 ? kHelpWindow : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}
