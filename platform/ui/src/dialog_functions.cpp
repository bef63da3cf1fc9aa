// DialogBoxParamA/W and the functions dialog procedures call on their
// dialog and its controls.
#include <algorithm>
#include <utility>

#include "control_procedures.h"
#include "dialog_window.h"
#include "thread_queues.h"
#include "platform/boundary.h"
#include "platform/dialog_templates.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/modules.h"
#include "win32/resources.h"
#include "win32/ui.h"

namespace platform::ui {

namespace {

// The rich-edit control exists once its library has been loaded, as the
// window class that library registers.
bool richEditAvailable() {
    const HMODULE library = GetModuleHandleA("RICHED32.DLL");
    return library && GetProcAddress(library, "tesk_rich_edit_class");
}

bool needsRichEdit(const DialogTemplate& dialog) {
    for (const auto& control : dialog.controls)
        if (control.kind == ControlKind::RichEdit) return true;
    return false;
}

bool classesRegistered(const DialogTemplate& dialog) {
    for (const auto& control : dialog.controls)
        if (control.kind == ControlKind::Custom && !controlProcedureOf(control.className)) return false;
    return true;
}

INT_PTR runDialog(HINSTANCE module, ULONG_PTR name, HWND owner, DLGPROC procedure, LPARAM init, bool wide) {
    DialogWindow window(checkedTemplate(module, name, owner, procedure), owner, procedure, wide);
    return window.run(init);
}

DialogWindow& dialogOf(HWND handle) {
    const auto target = windowOf(handle);
    if (target.control) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "a control, not a dialog");
    return *target.dialog;
}

std::size_t controlOf(DialogWindow& dialog, int id) {
    const auto index = dialog.indexOf(id);
    if (!index) throw WinError(ERROR_CONTROL_ID_NOT_FOUND, "the dialog has no such control");
    return *index;
}

// Runs body on the thread the window belongs to, the caller waiting.
template <class Body>
auto onOwnerThread(HWND handle, Body&& body) {
    const DWORD thread = windowOf(handle).thread;
    decltype(body()) result{};
    queues::runOnThread(thread, [&] { result = body(); });
    return result;
}

// A shown modeless dialog's window follows what the message changed,
// unless the dialog went meanwhile.
void followChange(HWND handle) {
    try {
        windowOf(handle).dialog->changed();
    } catch (const WinError&) {
    }
}

LRESULT send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    return onOwnerThread(handle, [&] {
        const auto target = windowOf(handle);
        const LRESULT result = target.control
                                   ? target.dialog->sendToControl(*target.control, message, wParam, lParam, wide)
                                   : target.dialog->sendToDialog(message, wParam, lParam, wide);
        followChange(handle);
        return result;
    });
}

BOOL post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return winBool([&] {
        queues::post(windowOf(handle).thread, MSG{handle, message, wParam, lParam, 0, {}});
        return true;
    });
}

template <class Char>
UINT itemText(HWND dialog, int id, Char* buffer, int size, bool wide) {
    return winValue(UINT{0}, [&] {
        auto& window = dialogOf(dialog);
        if (!buffer || size <= 0) return UINT{0};
        return static_cast<UINT>(send(window.controlHandle(controlOf(window, id)), WM_GETTEXT,
                                      static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer), wide));
    });
}

ControlState* controlState(const WindowTarget& target) {
    return target.control ? &target.dialog->mutableState().controls[*target.control] : nullptr;
}

// The work area of the one monitor.
constexpr RECT kScreen{0, 0, 1280, 1024};
constexpr RECT kWorkArea{0, 0, 1280, 984};
HMONITOR const kMonitor = reinterpret_cast<HMONITOR>(std::uintptr_t{0x50200});

BOOL monitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != kMonitor || !info || info->cbSize != sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->rcMonitor = kScreen;
    info->rcWork = kWorkArea;
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

}  // namespace

std::shared_ptr<const DialogTemplate> checkedTemplate(HINSTANCE module, ULONG_PTR name, HWND owner,
                                                      DLGPROC procedure) {
    if (!procedure || name >> 16) throw WinError(ERROR_INVALID_PARAMETER, "a dialog needs a procedure and a number");
    checkOwner(owner);
    auto dialog = findDialogTemplate(module, static_cast<int>(name));
    if (!dialog) throw WinError(ERROR_RESOURCE_NAME_NOT_FOUND, "the module declares no such dialog");
    if (needsRichEdit(*dialog) && !richEditAvailable())
        throw WinError(ERROR_CANNOT_FIND_WND_CLASS, "the rich-edit library is not loaded");
    if (!classesRegistered(*dialog)) throw WinError(ERROR_CANNOT_FIND_WND_CLASS, "a control of no registered class");
    return dialog;
}

}  // namespace platform::ui

using namespace platform;
using namespace platform::ui;

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept {
    return winValue(INT_PTR{-1}, [&] {
        return ui::runDialog(hInstance, reinterpret_cast<ULONG_PTR>(lpTemplateName), hWndParent, lpDialogFunc,
                             dwInitParam, false);
    });
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept {
    return winValue(INT_PTR{-1}, [&] {
        return ui::runDialog(hInstance, reinterpret_cast<ULONG_PTR>(lpTemplateName), hWndParent, lpDialogFunc,
                             dwInitParam, true);
    });
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) noexcept {
    return winBool([&] {
        dialogOf(hDlg).end(nResult);
        return true;
    });
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) noexcept {
    return winValue(HWND{}, [&] {
        auto& window = dialogOf(hDlg);
        return window.controlHandle(controlOf(window, nIDDlgItem));
    });
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) noexcept {
    return SetWindowTextA(GetDlgItem(hDlg, nIDDlgItem), lpString);
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) noexcept {
    return SetWindowTextW(GetDlgItem(hDlg, nIDDlgItem), lpString);
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) noexcept {
    return itemText(hDlg, nIDDlgItem, lpString, cchMax, false);
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) noexcept {
    return itemText(hDlg, nIDDlgItem, lpString, cchMax, true);
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) noexcept {
    return winBool([&] { return send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString), false) != 0; });
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) noexcept {
    return winBool([&] { return send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString), true) != 0; });
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) noexcept {
    return winValue(BOOL{FALSE}, [&] {
        return onOwnerThread(hWnd, [&] {
            auto* c = controlState(windowOf(hWnd));
            if (!c) return BOOL{FALSE};
            const bool wasDisabled = !c->enabled;
            c->enabled = bEnable != FALSE;
            followChange(hWnd);
            return wasDisabled ? TRUE : FALSE;
        });
    });
}

// A modal dialog is shown while it runs; a modeless one or a control as
// asked (SW_SHOWNA and any other command but SW_HIDE show it).
BOOL ShowWindow(HWND hWnd, int nCmdShow) noexcept {
    return winValue(BOOL{FALSE}, [&] {
        return onOwnerThread(hWnd, [&] {
            const auto target = windowOf(hWnd);
            auto& state = target.dialog->mutableState();
            bool& visible = target.control ? state.controls[*target.control].visible : state.visible;
            const bool wasVisible = std::exchange(visible, nCmdShow != SW_HIDE);
            if (!target.control && !target.dialog->shownModeless() && !target.dialog->isPlain()) visible = true;
            followChange(hWnd);
            return wasVisible ? TRUE : FALSE;
        });
    });
}

BOOL IsWindowVisible(HWND hWnd) noexcept {
    return winValue(BOOL{FALSE}, [&] {
        return onOwnerThread(hWnd, [&] {
            const auto target = windowOf(hWnd);
            const auto* c = controlState(target);
            return (c ? c->visible : target.dialog->state().visible) ? TRUE : FALSE;
        });
    });
}

BOOL IsIconic(HWND) noexcept { return FALSE; }

HWND GetParent(HWND hWnd) noexcept {
    return winValue(HWND{}, [&] {
        const auto target = windowOf(hWnd);
        if (target.control) return target.dialog->handle();
        return isDialog(target.dialog->owner()) ? target.dialog->owner() : HWND{};
    });
}

HWND SetFocus(HWND hWnd) noexcept {
    return winValue(HWND{}, [&] {
        return onOwnerThread(hWnd, [&] {
            const auto target = windowOf(hWnd);
            auto& state = target.dialog->mutableState();
            const auto before = std::exchange(state.focus, target.control);
            followChange(hWnd);
            return before ? target.dialog->controlHandle(*before) : HWND{};
        });
    });
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return winValue(LRESULT{0}, [&] { return send(hWnd, Msg, wParam, lParam, false); });
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return winValue(LRESULT{0}, [&] { return send(hWnd, Msg, wParam, lParam, true); });
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageA(control, Msg, wParam, lParam) : 0;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageW(control, Msg, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return post(hWnd, Msg, wParam, lParam);
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return post(hWnd, Msg, wParam, lParam);
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) noexcept {
    return winValue(LONG_PTR{0}, [&] {
        auto& dialog = dialogOf(hWnd);
        if (nIndex == DWLP_USER) return std::exchange(dialog.userValue(), dwNewLong);
        if (nIndex != DWLP_MSGRESULT) throw WinError(ERROR_INVALID_INDEX, "only the message result and user value");
        return dialog.setMessageResult(dwNewLong);
    });
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) noexcept {
    return SetWindowLongPtrA(hWnd, nIndex, dwNewLong);
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex) noexcept {
    return winValue(LONG_PTR{0}, [&] {
        auto& dialog = dialogOf(hWnd);
        if (nIndex == DWLP_USER) return dialog.userValue();
        if (nIndex != DWLP_MSGRESULT) throw WinError(ERROR_INVALID_INDEX, "only the message result and user value");
        return dialog.messageResult();
    });
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) noexcept { return GetWindowLongPtrA(hWnd, nIndex); }

namespace {

// Where a control (or, without one, the client area) stands in its dialog's
// client area: where SetWindowPos put it, else where the backend laid it
// out, else where its template places it.
PixelRect placeOf(const DialogState& state, std::optional<std::size_t> control) {
    if (control) {
        if (const auto& moved = state.controls[*control].place)
            return {moved->x, moved->y, moved->x + moved->width, moved->y + moved->height};
    }
    if (const auto laidOut = backend().laidOut(state, control)) return *laidOut;
    if (!control) return {0, 0, state.width, state.height};
    const auto& c = state.controls[*control].control;
    const auto& units = state.units;
    const int left = units.pixelsX(c.x);
    const int top = units.pixelsY(c.y);
    return {left, top, left + units.pixelsX(c.cx), top + units.pixelsY(c.cy)};
}

// The control's place once SetWindowPos moved or sized it from where it
// stands now.
ControlState::Place movedPlace(const DialogState& state, std::size_t control, int x, int y, int width, int height,
                               UINT flags) {
    const auto now = placeOf(state, control);
    ControlState::Place place{now.left, now.top, now.right - now.left, now.bottom - now.top};
    if (!(flags & SWP_NOMOVE)) {
        place.x = x;
        place.y = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        place.width = std::max(0, width);
        place.height = std::max(0, height);
    }
    return place;
}

}  // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) noexcept {
    return winBool([&] {
        return onOwnerThread(hWnd, [&] {
            const auto target = windowOf(hWnd);
            if (target.control) {
                const auto place = movedPlace(target.dialog->state(), *target.control, X, Y, cx, cy, uFlags);
                target.dialog->mutableState().controls[*target.control].place = place;
                followChange(hWnd);
                return true;
            }
            auto& state = dialogOf(hWnd).mutableState();
            if (!(uFlags & SWP_NOMOVE)) {
                state.x = X;
                state.y = Y;
            }
            if (!(uFlags & SWP_NOZORDER)) {
                if (hWndInsertAfter == HWND_TOPMOST) state.topmost = true;
                if (hWndInsertAfter == HWND_NOTOPMOST) state.topmost = false;
                if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == HWND_NOTOPMOST) ++state.raised;
            }
            followChange(hWnd);
            return true;
        });
    });
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) noexcept {
    return winBool([&] {
        if (!lpRect) throw WinError(ERROR_INVALID_PARAMETER, "no rectangle");
        if (hWnd == GetDesktopWindow()) {
            *lpRect = kScreen;
            return true;
        }
        return onOwnerThread(hWnd, [&] {
            const auto target = windowOf(hWnd);
            const auto& state = target.dialog->state();
            const auto place = placeOf(state, target.control);
            *lpRect = {state.x + place.left, state.y + place.top, state.x + place.right, state.y + place.bottom};
            return true;
        });
    });
}

LONG GetDialogBaseUnits() noexcept {
    return winValue(LONG{0}, [] {
        const auto units = backend().dialogBaseUnits();
        return static_cast<LONG>(MAKELONG(static_cast<WORD>(units.x), static_cast<WORD>(units.y)));
    });
}

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) noexcept {
    return winBool([&] {
        if (!lpEnumFunc) throw WinError(ERROR_INVALID_PARAMETER, "no callback");
        for (const HWND window : topLevelWindows())
            if (!lpEnumFunc(window, lParam)) return false;
        return true;
    });
}

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) noexcept {
    return winBool([&] {
        if (!lpEnumFunc) throw WinError(ERROR_INVALID_PARAMETER, "no callback");
        const auto target = windowOf(hWndParent);
        if (target.control) return true;
        const std::size_t count = target.dialog->state().controls.size();
        for (std::size_t i = 0; i < count; ++i)
            if (!lpEnumFunc(target.dialog->controlHandle(i), lParam)) break;
        return true;
    });
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) noexcept {
    RECT window{};
    if (!GetWindowRect(hWnd, &window)) return FALSE;
    *lpRect = {0, 0, window.right - window.left, window.bottom - window.top};
    return TRUE;
}

HMONITOR MonitorFromWindow(HWND, DWORD) noexcept { return kMonitor; }

BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi) noexcept { return monitorInfo(hMonitor, lpmi); }
BOOL GetMonitorInfoW(HMONITOR hMonitor, LPMONITORINFO lpmi) noexcept { return monitorInfo(hMonitor, lpmi); }

BOOL EnumDisplaySettingsW(LPCWSTR lpszDeviceName, DWORD iModeNum, DEVMODEW* lpDevMode) noexcept {
    if (lpszDeviceName || (iModeNum != ENUM_CURRENT_SETTINGS && iModeNum != 0) || !lpDevMode ||
        lpDevMode->dmSize != sizeof(DEVMODEW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpDevMode = DEVMODEW{};
    lpDevMode->dmSize = sizeof(DEVMODEW);
    lpDevMode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    lpDevMode->dmBitsPerPel = 32;
    lpDevMode->dmPelsWidth = static_cast<DWORD>(kScreen.right - kScreen.left);
    lpDevMode->dmPelsHeight = static_cast<DWORD>(kScreen.bottom - kScreen.top);
    return TRUE;
}

namespace platform::ui::queues {

LRESULT dispatch(const MSG& message) {
    if (message.message == WM_TIMER && message.lParam) {
        reinterpret_cast<TIMERPROC>(message.lParam)(message.hwnd, WM_TIMER, message.wParam, message.time);
        return 0;
    }
    if (!message.hwnd) return 0;
    return send(message.hwnd, message.message, message.wParam, message.lParam, windowOf(message.hwnd).dialog->wide());
}

}  // namespace platform::ui::queues
