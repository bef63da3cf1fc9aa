#include "modal_dialog.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/modules.h"
#include "win32/resources.h"

namespace {

constexpr DWORD kFinalMessageBit = 1;

// The dialog object waiting for its window on this thread, and the windows
// bound to objects.
thread_local TModalDialog* t_pending = nullptr;

struct Bindings {
    std::mutex mutex;
    std::map<HWND, TModalDialog*> objects;
};

Bindings& bindings() {
    static Bindings b;
    return b;
}

TModalDialog* objectOf(HWND window) {
    auto& b = bindings();
    std::lock_guard lock(b.mutex);
    if (const auto found = b.objects.find(window); found != b.objects.end()) return found->second;
    if (!t_pending) return nullptr;
    TModalDialog* object = std::exchange(t_pending, nullptr);
    b.objects[window] = object;
    return object;
}

void unbind(HWND window) {
    auto& b = bindings();
    std::lock_guard lock(b.mutex);
    b.objects.erase(window);
}

// Messages whose handler's result is the procedure's own return value.
bool answeredDirectly(UINT message) {
    return message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_INITDIALOG || message == WM_QUERYDRAGICON ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

}  // namespace

void TModalDialog::OnFinalMessage(HWND) {}

HINSTANCE TModalDialog::ModuleInstance() { return platform::modules::thisModule(); }

INT_PTR TModalDialog::DoModal(HWND parent, int templateId, LPARAM initParam) {
    t_pending = this;
    const INT_PTR result = DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId), parent, DialogProc, initParam);
    if (t_pending == this) t_pending = nullptr;  // no window was made
    return result;
}

INT_PTR TModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TModalDialog* object = objectOf(window);
    if (!object) return FALSE;
    if (!object->m_hWnd) object->m_hWnd = window;
    return object->Dispatch(window, message, wParam, lParam);
}

INT_PTR TModalDialog::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const MessageRecord record{window, message, wParam, lParam, TRUE};
    const MessageRecord* previous = std::exchange(m_currentMessage, &record);
    LRESULT result = 0;
    const BOOL handled = ProcessWindowMessage(window, message, wParam, lParam, result, 0);
    INT_PTR answer = FALSE;
    if (!handled) {
        if (message == WM_NCDESTROY) m_state |= kFinalMessageBit;
    } else if (answeredDirectly(message)) {
        answer = static_cast<INT_PTR>(result);
    } else {
        if (!(m_state & kFinalMessageBit)) SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        answer = TRUE;
    }
    m_currentMessage = previous;
    if ((m_state & kFinalMessageBit) && !m_currentMessage) {
        m_state &= ~kFinalMessageBit;
        const HWND finished = std::exchange(m_hWnd, nullptr);
        unbind(finished);
        OnFinalMessage(finished);
    }
    return answer;
}

RECT CentredRect(const RECT& dialog, const RECT* around, const RECT& bounds) {
    const RECT& centre = around ? *around : bounds;
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    LONG x = (centre.left + centre.right) / 2 - width / 2;
    LONG y = (centre.top + centre.bottom) / 2 - height / 2;
    if (x + width > bounds.right) x = bounds.right - width;
    if (x < bounds.left) x = bounds.left;
    if (y + height > bounds.bottom) y = bounds.bottom - height;
    if (y < bounds.top) y = bounds.top;
    return {x, y, x + width, y + height};
}

void CenterDialog(HWND dialog) {
    RECT own{};
    if (!GetWindowRect(dialog, &own)) return;
    const HWND owner = GetParent(dialog);
    MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
    if (!GetMonitorInfoA(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT ownerRect{};
    const bool shownOwner = owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect);
    const RECT placed = CentredRect(own, shownOwner ? &ownerRect : nullptr, monitor.rcWork);
    SetWindowPos(dialog, nullptr, placed.left, placed.top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
