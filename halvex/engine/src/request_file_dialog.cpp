#include "halvex/request_file_dialog.h"

#include "halvex/files_and_paths.h"
#include "win32/commdlg.h"

namespace halvex {

bool OpenRequestFileDialog(HWND owner, std::u16string& path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    const std::u16string folder = separator != std::u16string::npos ? path.substr(0, separator) : GetDocumentsFolder();
    char16_t file[260] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = u"Certificate Request (*.req)\0*.req\0All\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_ENABLESIZING | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&ofn)) return false;
    path = file;
    return true;
}

}  // namespace halvex
