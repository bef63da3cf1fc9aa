// The save request the renewal of a certificate makes, for the tests of
// the file-save dialog: a request file in the caller's folder, the default
// extension "req", the overwrite prompt.
#pragma once

#include <string>

#include "win32/commdlg.h"

inline OPENFILENAMEW requestSaveRequest(WCHAR (&file)[260], const std::u16string& folder) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = u"Žádost v Kyd (*.req)\0*.req\0Všechny soubory (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrDefExt = u"req";
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    return ofn;
}
