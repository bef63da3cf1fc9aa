#include "busy_window.h"

#include <algorithm>

#include "halvex/resource_strings.h"
#include "platform/dialog_templates.h"
#include "win32/commctrl.h"
#include "win32/messages.h"
#include "win32/threads.h"
#include "win32/ui.h"

namespace halvex {

struct BusyWindow::Shared {
    HINSTANCE module = nullptr;
    HWND mainWindow = nullptr;
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> shown{false};
    HANDLE ready = nullptr;
};

namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 500;
constexpr LPARAM kMarqueeMs = 100;

// The window's thread's own reference, handed over at its start.
struct ThreadStart {
    std::shared_ptr<BusyWindow::Shared> shared;
};

BusyWindow::Shared& sharedOf(HWND dialog) {
    return *reinterpret_cast<BusyWindow::Shared*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Each tick while the window is wanted: hidden while another window is in
// front, shown again without taking the focus (the program's window
// repainted) once the program's is; the bar moves on.
void OnTick(HWND dialog) {
    const auto& shared = sharedOf(dialog);
    if (!shared.shown) return;
    if (GetForegroundWindow() != shared.mainWindow) {
        if (IsWindowVisible(dialog)) ShowWindow(dialog, SW_HIDE);
    } else if (!IsWindowVisible(dialog)) {
        ShowWindow(dialog, SW_SHOWNA);
        SendMessageW(shared.mainWindow, WM_PAINT, 0, 0);
    }
    SendDlgItemMessageW(dialog, kBusyBarId, PBM_STEPIT, 0, 0);
}

INT_PTR BusyProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SendDlgItemMessageW(dialog, kBusyBarId, PBM_SETMARQUEE, TRUE, kMarqueeMs);
            SendDlgItemMessageW(dialog, kBusyBarId, PBM_SETRANGE, 0, 100 << 16);
            SendDlgItemMessageW(dialog, kBusyBarId, PBM_SETSTEP, 1, 0);
            return TRUE;
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_WAIT_ID)));
            return TRUE;
        case WM_TIMER:
            OnTick(dialog);
            return TRUE;
        case kBusySetText:
            SetDlgItemTextW(dialog, kBusyTextId, reinterpret_cast<LPCWSTR>(lParam));
            return TRUE;
        case kBusyHide:
            ShowWindow(dialog, SW_HIDE);
            return TRUE;
        case kBusyShow:
            SendDlgItemMessageW(dialog, kBusyBarId, PBM_SETPOS, 0, 0);
            ShowWindow(dialog, SW_SHOWNA);
            return TRUE;
        case WM_SHOWWINDOW:
            return TRUE;
        case WM_CLOSE:
            PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

// The busy thread: an invisible owner, the dialog in front of everything
// with its timer, readiness, then the loop until WM_QUIT. It ends with 1,
// not ready, when the owner or the dialog cannot be made.
DWORD BusyThread(LPVOID parameter) {
    const std::shared_ptr<BusyWindow::Shared> shared = static_cast<ThreadStart*>(parameter)->shared;
    delete static_cast<ThreadStart*>(parameter);
    const HWND owner = CreateWindowExW(0, u"STATIC", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!owner) return 1;
    const HWND dialog = CreateDialogParamW(shared->module, MAKEINTRESOURCEW(kBusyDialogId), owner, BusyProcedure,
                                           reinterpret_cast<LPARAM>(shared.get()));
    if (!dialog) {
        DestroyWindow(owner);
        return 1;
    }
    shared->window = dialog;
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER);
    SetTimer(dialog, kTimer, kTickMs, nullptr);
    SetEvent(shared->ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(dialog, kTimer);
    shared->window = nullptr;
    DestroyWindow(dialog);
    DestroyWindow(owner);
    return 0;
}

}  // namespace

BusyWindow::~BusyWindow() {
    if (m_shared) {
        m_shared->shown = false;
        if (const HWND window = m_shared->window) PostMessageW(window, WM_CLOSE, 0, 0);
        CloseHandle(m_shared->ready);
    }
    if (m_thread) CloseHandle(m_thread);
}

bool BusyWindow::Start(HINSTANCE module, HWND mainWindow) {
    if (m_shared) return Window() != nullptr;
    m_shared = std::make_shared<Shared>();
    m_shared->module = module;
    m_shared->mainWindow = mainWindow;
    m_shared->ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, BusyThread, new ThreadStart{m_shared}, 0, nullptr);
    if (!m_thread) return false;
    // Ready, or ended without a window: never a wait without end.
    const HANDLE either[] = {m_shared->ready, m_thread};
    return WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0;
}

HWND BusyWindow::Window() const { return m_shared ? m_shared->window.load() : nullptr; }

void BusyWindow::ShowBusy(UINT stringId) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_WAIT_ID)));
    const HWND window = Window();
    if (!window) return;
    if (!m_shared->shown.exchange(true)) SendMessageW(window, kBusyShow, 0, 0);
    const std::u16string text = LoadResString(stringId);
    SendMessageW(window, kBusySetText, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void BusyWindow::HideBusy() {
    const HWND window = Window();
    if (!window) return;
    m_shared->shown = false;
    SendMessageW(window, kBusyHide, 0, 0);
    SendMessageW(window, kBusySetText, 0, reinterpret_cast<LPARAM>(u""));
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW_ID)));
}

// Only posted messages: a thread that does not take them cannot hold the
// caller beyond the limit.
bool BusyWindow::Close(DWORD limitMs) {
    if (!m_thread) return true;
    const auto now = std::chrono::steady_clock::now();
    if (!m_closeDeadline) {
        m_closeDeadline = now + std::chrono::milliseconds(limitMs);
        if (const HWND window = Window()) {
            m_shared->shown = false;
            PostMessageW(window, kBusyHide, 0, 0);
            PostMessageW(window, WM_CLOSE, 0, 0);
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(IDC_ARROW_ID)));
        }
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        std::max(*m_closeDeadline - now, std::chrono::steady_clock::duration::zero()));
    if (WaitForSingleObject(m_thread, static_cast<DWORD>(left.count())) != WAIT_OBJECT_0) return false;
    CloseHandle(m_thread);
    m_thread = nullptr;
    return true;
}

}  // namespace halvex
