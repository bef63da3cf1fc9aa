// CreateDialogParamA/W and DestroyWindow: dialogs that stay up while their
// caller works on, kept here until destroyed.
#include <map>
#include <memory>
#include <mutex>

#include "dialog_window.h"
#include "platform/boundary.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/dialogs.h"

namespace platform::ui {

namespace {

struct Modeless {
    std::mutex mutex;
    std::map<HWND, std::unique_ptr<DialogWindow>> dialogs;
};

Modeless& modeless() {
    static Modeless m;
    return m;
}

HWND create(HINSTANCE module, ULONG_PTR name, HWND owner, DLGPROC procedure, LPARAM init, bool wide) {
    auto window = std::make_unique<DialogWindow>(checkedTemplate(module, name, owner, procedure), owner, procedure,
                                                 wide);
    try {
        window->initialise(init);
        backend().showModeless(*window);
    } catch (...) {
        window->destroy();
        throw;
    }
    const HWND handle = window->handle();
    auto& m = modeless();
    std::lock_guard lock(m.mutex);
    m.dialogs.emplace(handle, std::move(window));
    return handle;
}

void destroy(HWND handle) {
    std::unique_ptr<DialogWindow> window;
    {
        auto& m = modeless();
        std::lock_guard lock(m.mutex);
        const auto found = m.dialogs.find(handle);
        if (found == m.dialogs.end()) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "not a modeless dialog");
        window = std::move(found->second);
        m.dialogs.erase(found);
    }
    try {
        backend().hideModeless(*window);
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

BOOL DestroyWindow(HWND hWnd) noexcept {
    return platform::winBool([&] {
        platform::ui::destroy(hWnd);
        return true;
    });
}
