// CEnroll: what a session asks of its surroundings: a test box, whether the
// certificate dialog library is there, and the reserved members.
#include "enroll.h"

#include "win32/error.h"
#include "win32/ui.h"

BOOL CEnroll::Test() {
    MessageBoxW(GetActiveWindow(), u"Test komponenty.", u"Pentak", MB_ICONINFORMATION | MB_SETFOREGROUND);
    return TRUE;
}

BOOL CEnroll::IsCryptUIAvailable() {
    TLoadLibrary cryptUI;
    return cryptUI.Load(u"cryptui.dll") ? TRUE : FALSE;
}

BOOL CEnroll::Reserved1() {
    SetLastError(static_cast<DWORD>(E_NOTIMPL));
    return FALSE;
}

BOOL CEnroll::Reserved2() { return Reserved1(); }
