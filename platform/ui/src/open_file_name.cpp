// GetOpenFileNameW: checks the request, lets the backend show the chooser,
// and hands the chosen path back in the caller's buffers.
#include <cstddef>
#include <filesystem>

#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/commdlg.h"

namespace {

thread_local DWORD lastDialogError = 0;

constexpr DWORD kRefusedFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ALLOWMULTISELECT;

struct DialogError {
    DWORD code;
};

// "name\0patterns\0" pairs up to an empty name.
std::vector<platform::ui::FileFilter> filtersOf(LPCWSTR pairs) {
    std::vector<platform::ui::FileFilter> filters;
    if (!pairs) return filters;
    while (*pairs) {
        const std::u16string_view name(pairs);
        pairs += name.size() + 1;
        const std::u16string_view patterns(pairs);
        if (patterns.empty()) break;  // a name without patterns ends the list
        pairs += patterns.size() + 1;
        filters.push_back({platform::text::toUtf8(name), platform::text::toUtf8(patterns)});
    }
    return filters;
}

platform::ui::OpenFileRequest requestOf(const OPENFILENAMEW& ofn) {
    platform::ui::OpenFileRequest request;
    if (ofn.lpstrTitle) request.title = platform::text::toUtf8(ofn.lpstrTitle);
    request.folder = (ofn.lpstrInitialDir && *ofn.lpstrInitialDir)
                         ? platform::paths::fromWindows(ofn.lpstrInitialDir).string()
                         : std::filesystem::current_path().string();
    request.filters = filtersOf(ofn.lpstrFilter);
    request.filter = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
    request.fileMustExist = (ofn.Flags & OFN_FILEMUSTEXIST) != 0;
    request.folderMustExist = (ofn.Flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST)) != 0;
    return request;
}

void copyResult(OPENFILENAMEW& ofn, const std::u16string& path) {
    if (path.size() + 1 > ofn.nMaxFile) {
        if (ofn.nMaxFile > 0) ofn.lpstrFile[0] = static_cast<char16_t>(std::min<std::size_t>(path.size() + 1, 0xFFFF));
        throw DialogError{FNERR_BUFFERTOOSMALL};
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

BOOL GetOpenFileNameW(OPENFILENAMEW* lpofn) noexcept {
    lastDialogError = 0;
    try {
        if (!lpofn || lpofn->lStructSize < offsetof(OPENFILENAMEW, pvReserved)) throw DialogError{CDERR_STRUCTSIZE};
        if ((lpofn->Flags & kRefusedFlags) || !lpofn->lpstrFile) throw DialogError{CDERR_INITIALIZATION};
        platform::ui::checkOwner(lpofn->hwndOwner);
        const auto chosen = platform::ui::backend().openFile(requestOf(*lpofn));
        if (!chosen) return FALSE;
        copyResult(*lpofn, platform::paths::toWide(*chosen));
        return TRUE;
    } catch (const DialogError& e) {
        lastDialogError = e.code;
    } catch (...) {
        lastDialogError = CDERR_DIALOGFAILURE;
    }
    return FALSE;
}

DWORD CommDlgExtendedError() noexcept { return lastDialogError; }
