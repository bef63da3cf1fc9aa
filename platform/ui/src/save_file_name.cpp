// GetSaveFileNameW: the chooser of a file to save, in the folder and under
// the name the caller proposes, completing a name without an extension by
// the default one and asking before an existing file is replaced.
#include <filesystem>
#include <string_view>

#include "dialog_window.h"
#include "file_name_dialog.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/ui.h"

namespace {

namespace dialog = platform::ui::file_name_dialog;
namespace fs = std::filesystem;

constexpr std::string_view kDefaultTitle = "Uložit jako";
constexpr char16_t kReplaceCaption[] = u"Potvrdit uložení";

// The text lpstrFile holds at start, never read past nMaxFile.
std::u16string_view proposedPath(const OPENFILENAMEW& ofn) {
    const std::u16string_view buffer(ofn.lpstrFile, ofn.nMaxFile);
    return buffer.substr(0, buffer.find(u'\0'));
}

// The default extension added after a dot to a name that has none.
fs::path completed(fs::path path, LPCWSTR defaultExtension) {
    const std::string name = path.filename().string();
    if (defaultExtension && *defaultExtension && name.find('.') == std::string::npos)
        path += "." + platform::text::toUtf8(defaultExtension);
    return path;
}

// True when the file may be written: it does not exist, the caller does
// not ask, or the user agrees to replace it. A question that cannot be
// shown replaces nothing.
bool mayReplace(const OPENFILENAMEW& ofn, const fs::path& path) {
    std::error_code error;
    if (!(ofn.Flags & OFN_OVERWRITEPROMPT) || !fs::exists(path, error)) return true;
    const std::u16string text = platform::text::fromUtf8(path.filename().string() + " již existuje.\nChcete jej nahradit?");
    return MessageBoxW(ofn.hwndOwner, text.c_str(), kReplaceCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

platform::ui::SaveFileRequest requestOf(const OPENFILENAMEW& ofn) {
    platform::ui::SaveFileRequest request;
    request.title = ofn.lpstrTitle ? platform::text::toUtf8(ofn.lpstrTitle) : std::string(kDefaultTitle);
    const fs::path proposed = platform::paths::fromWindows(proposedPath(ofn));
    const fs::path folder = dialog::folderOf(ofn.lpstrInitialDir);
    request.folder = proposed.has_parent_path() ? (folder / proposed.parent_path()).string() : folder.string();
    request.name = proposed.filename().string();
    request.filters = dialog::filtersOf(ofn.lpstrFilter);
    request.filter = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
    request.settle = [&ofn](const std::string& chosen) -> std::optional<std::string> {
        const fs::path path = completed(chosen, ofn.lpstrDefExt);
        if (!mayReplace(ofn, path)) return std::nullopt;
        return path.string();
    };
    request.owner = platform::ui::dialogOpenedOver(ofn.hwndOwner);
    return request;
}

}  // namespace

BOOL GetSaveFileNameW(OPENFILENAMEW* lpofn) noexcept {
    return dialog::run(lpofn, [](const OPENFILENAMEW& ofn) { return platform::ui::backend().saveFile(requestOf(ofn)); });
}
