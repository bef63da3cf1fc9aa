// The request checks, filters, result buffers and dialog error of the file
// dialogs.
#include "file_name_dialog.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>

#include "platform/owner_window.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform::ui::file_name_dialog {

namespace {

thread_local DWORD lastDialogError = 0;

constexpr DWORD kRefusedFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ALLOWMULTISELECT;

void checkRequest(const OPENFILENAMEW* ofn) {
    if (!ofn || ofn->lStructSize < offsetof(OPENFILENAMEW, pvReserved)) throw Failure{CDERR_STRUCTSIZE};
    if ((ofn->Flags & kRefusedFlags) || !ofn->lpstrFile) throw Failure{CDERR_INITIALIZATION};
    checkOwner(ofn->hwndOwner);
}

void copyResult(OPENFILENAMEW& ofn, const std::u16string& path) {
    if (path.size() + 1 > ofn.nMaxFile) {
        if (ofn.nMaxFile > 0) ofn.lpstrFile[0] = static_cast<char16_t>(std::min<std::size_t>(path.size() + 1, 0xFFFF));
        throw Failure{FNERR_BUFFERTOOSMALL};
    }
    path.copy(ofn.lpstrFile, path.size());
    ofn.lpstrFile[path.size()] = u'\0';
    const std::size_t slash = path.find_last_of(u"/\\");
    const std::size_t nameAt = slash == std::u16string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of(u'.');
    ofn.nFileOffset = static_cast<WORD>(nameAt);
    ofn.nFileExtension = static_cast<WORD>(dot != std::u16string::npos && dot >= nameAt ? dot + 1 : 0);
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        const std::u16string name = path.substr(nameAt).substr(0, ofn.nMaxFileTitle - 1);
        name.copy(ofn.lpstrFileTitle, name.size());
        ofn.lpstrFileTitle[name.size()] = u'\0';
    }
}

}  // namespace

std::vector<FileFilter> filtersOf(LPCWSTR pairs) {
    std::vector<FileFilter> filters;
    if (!pairs) return filters;
    while (*pairs) {
        const std::u16string_view name(pairs);
        pairs += name.size() + 1;
        const std::u16string_view patterns(pairs);
        if (patterns.empty()) break;  // a name without patterns ends the list
        pairs += patterns.size() + 1;
        filters.push_back({text::toUtf8(name), text::toUtf8(patterns)});
    }
    return filters;
}

std::string folderOf(LPCWSTR initialDir) {
    return (initialDir && *initialDir) ? paths::fromWindows(initialDir).string()
                                       : std::filesystem::current_path().string();
}

BOOL run(OPENFILENAMEW* ofn, const std::function<std::optional<std::string>(const OPENFILENAMEW& ofn)>& ask) noexcept {
    lastDialogError = 0;
    try {
        checkRequest(ofn);
        const auto chosen = ask(*ofn);
        if (!chosen) return FALSE;
        copyResult(*ofn, paths::toWide(*chosen));
        return TRUE;
    } catch (const Failure& e) {
        lastDialogError = e.code;
    } catch (...) {
        lastDialogError = CDERR_DIALOGFAILURE;
    }
    return FALSE;
}

}  // namespace platform::ui::file_name_dialog

DWORD CommDlgExtendedError() noexcept { return platform::ui::file_name_dialog::lastDialogError; }
