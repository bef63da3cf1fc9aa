// shell_open.cpp: ShellExecute with the Open With chooser as fallback.
#include "common/shell_open.h"

#include <cstring>
#include <string>

#include "common/codepage.h"
#include "common/log.h"
#include "common/system_error.h"
#include "win32/error_codes.h"
#include "win32/shell.h"
#include "win32/ui.h"

namespace {

bool isNoAssociation(INT_PTR result) { return result == SE_ERR_NOASSOC || result == SE_ERR_ASSOCINCOMPLETE; }

// The chooser gets the path as data, never pasted into a command line, so
// quotes and other special characters in a file name stay harmless.
bool chooseProgram(HWND window, const char* path) {
    const std::u16string file = MultiByteToWide(path, CP_ACP);
    const OPENASINFO info{file.c_str(), nullptr, OAIF_EXEC};
    return SHOpenWithDialog(window, &info) == S_OK;
}

}  // namespace

int OpenWithShell(HWND window, const char* path, const char* verb) {
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(window, verb, path, nullptr, nullptr, SW_SHOWDEFAULT));
    if (result > 32) return 0;
    TLogStrVect::Instance()->Print(sgLogLevelErrs, "ShellExecute(): '%s' %s, %s", path, "failed",
                                   GetSystemErrorText().c_str());
    if (!isNoAssociation(result)) return kShellFailed;
    if (verb && std::strcmp(verb, "open") == 0 && chooseProgram(window, path)) return 0;
    return kShellNoAssociation;
}
