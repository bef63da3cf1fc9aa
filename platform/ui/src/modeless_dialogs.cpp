// The windows that stay up while their thread works on until
// DestroyWindow: modeless dialogs (CreateDialogParamA/W) and plain
// "STATIC" windows (CreateWindowExW).
#include <map>
#include <memory>
#include <mutex>

#include "dialog_window.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/process.h"

namespace platform::ui {

namespace {

struct Kept {
    std::mutex mutex;
    std::map<HWND, std::unique_ptr<DialogWindow>> windows;
};

Kept& kept() {
    static Kept k;
    return k;
}

HWND keep(std::unique_ptr<DialogWindow> window) {
    const HWND handle = window->handle();
    auto& k = kept();
    std::lock_guard lock(k.mutex);
    k.windows.emplace(handle, std::move(window));
    return handle;
}

HWND create(HINSTANCE module, ULONG_PTR name, HWND owner, DLGPROC procedure, LPARAM init, bool wide) {
    auto window = std::make_unique<DialogWindow>(checkedTemplate(module, name, owner, procedure), owner, procedure,
                                                 wide);
    try {
        window->initialise(init);
        backend().showModeless(*window);
        window->setShownModeless(true);
    } catch (...) {
        window->destroy();
        throw;
    }
    return keep(std::move(window));
}

// A plain window leaves every message to the default handling.
INT_PTR plainProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND createPlain(LPCWSTR className, LPCWSTR title, DWORD style) {
    if (!className || text::toUpper(className) != u"STATIC")
        throw WinError(ERROR_CANNOT_FIND_WND_CLASS, "only the class STATIC is known");
    auto dialog = std::make_shared<DialogTemplate>();
    dialog->title = title ? text::toUtf8(title) : std::string();
    auto window = std::make_unique<DialogWindow>(dialog, nullptr, plainProcedure, true);
    window->setPlain();
    window->mutableState().visible = (style & WS_VISIBLE) != 0;
    return keep(std::move(window));
}

void destroy(HWND handle) {
    std::unique_ptr<DialogWindow> window;
    {
        auto& k = kept();
        std::lock_guard lock(k.mutex);
        const auto found = k.windows.find(handle);
        if (found == k.windows.end()) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "not a modeless dialog or window");
        if (found->second->thread() != GetCurrentThreadId())
            throw WinError(ERROR_ACCESS_DENIED, "a window of another thread");
        window = std::move(found->second);
        k.windows.erase(found);
    }
    try {
        if (window->shownModeless()) backend().hideModeless(*window);
    } catch (...) {
        window->destroy();
        throw;
    }
    window->destroy();
}

}  // namespace

}  // namespace platform::ui

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept {
    return platform::winValue(HWND{}, [&] {
        return platform::ui::create(hInstance, reinterpret_cast<ULONG_PTR>(lpTemplateName), hWndParent,
                                    lpDialogFunc, dwInitParam, false);
    });
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept {
    return platform::winValue(HWND{}, [&] {
        return platform::ui::create(hInstance, reinterpret_cast<ULONG_PTR>(lpTemplateName), hWndParent,
                                    lpDialogFunc, dwInitParam, true);
    });
}

HWND CreateWindowExW(DWORD, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int, int, int, int, HWND,
                     HMENU, HINSTANCE, LPVOID) noexcept {
    return platform::winValue(HWND{}, [&] { return platform::ui::createPlain(lpClassName, lpWindowName, dwStyle); });
}

BOOL DestroyWindow(HWND hWnd) noexcept {
    return platform::winBool([&] {
        platform::ui::destroy(hWnd);
        return true;
    });
}
