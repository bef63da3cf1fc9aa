// GetOpenFileNameW: the chooser of a file to open, in the caller's folder
// with its filters.
#include "dialog_window.h"
#include "file_name_dialog.h"

#include "platform/text.h"

namespace {

platform::ui::OpenFileRequest requestOf(const OPENFILENAMEW& ofn) {
    namespace dialog = platform::ui::file_name_dialog;
    platform::ui::OpenFileRequest request;
    if (ofn.lpstrTitle) request.title = platform::text::toUtf8(ofn.lpstrTitle);
    request.folder = dialog::folderOf(ofn.lpstrInitialDir);
    request.filters = dialog::filtersOf(ofn.lpstrFilter);
    request.filter = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
    request.fileMustExist = (ofn.Flags & OFN_FILEMUSTEXIST) != 0;
    request.folderMustExist = (ofn.Flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST)) != 0;
    request.owner = platform::ui::dialogOpenedOver(ofn.hwndOwner);
    return request;
}

}  // namespace

BOOL GetOpenFileNameW(OPENFILENAMEW* lpofn) noexcept {
    return platform::ui::file_name_dialog::run(
        lpofn, [](const OPENFILENAMEW& ofn) { return platform::ui::backend().openFile(requestOf(ofn)); });
}
