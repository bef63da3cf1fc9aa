#include "status_dialog.h"

#include <atomic>

#include "lumvar/log_writer.h"
#include "platform/dialog_templates.h"
#include "platform/modules.h"
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/messages.h"
#include "win32/resources.h"
#include "win32/sync.h"
#include "win32/threads.h"
#include "win32/ui.h"

namespace tornil {

using lumvar::log::Level;
using lumvar::log::write;

struct StatusDialog::Shared {
    HANDLE up = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> window{nullptr};
    ~Shared() {
        if (up) CloseHandle(up);
    }
};

namespace {

constexpr int kDialogId = 101;
constexpr int kOkButton = 1002;
constexpr int kTitleLine = 1003;
constexpr int kStatusLine = 1004;
// Ends the dialog's loop; lParam: the DialogTexts to ask for OK with, or
// null to end without asking.
constexpr UINT kFinish = WM_USER + 201;
// The dialog comes up within moments; a thread that shows nothing by then
// is left to itself.
constexpr DWORD kStartLimitMs = 10000;
constexpr DWORD kEndLimitMs = 5000;

platform::ui::DialogTemplate dialogTemplate() {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog;
    dialog.id = kDialogId;
    dialog.cx = 290;
    dialog.cy = 61;
    dialog.font = "MS Shell Dlg";
    dialog.pointSize = 8;
    dialog.title = "Aktualizace";
    dialog.controls = {
        {kOkButton, ControlKind::DefaultButton, "OK", 233, 40, 50, 14, 0},
        {kTitleLine, ControlKind::Static, "Aktualizace probíhá...", 7, 7, 276, 8, 0},
        {kStatusLine, ControlKind::Static, "", 7, 20, 276, 16, 0},
    };
    return dialog;
}

// This module, its dialog template declared once.
HINSTANCE dialogModule() {
    static const HINSTANCE module = [] {
        platform::ui::declareDialogTemplate(platform::modules::thisModule(), dialogTemplate());
        return platform::modules::thisModule();
    }();
    return module;
}

void bringToFront(HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// While the work runs: OK cannot be pressed yet.
INT_PTR progressProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    EnableWindow(GetDlgItem(dialog, kOkButton), FALSE);
    bringToFront(dialog);
    return TRUE;
}

// At the end: the last texts and OK, which ends the dialog.
INT_PTR closingProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* texts = reinterpret_cast<const DialogTexts*>(lParam);
        SetWindowTextW(dialog, texts->caption.c_str());
        SetDlgItemTextW(dialog, kTitleLine, texts->title.c_str());
        SetDlgItemTextW(dialog, kStatusLine, texts->status.c_str());
        bringToFront(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kOkButton) {
        EndDialog(dialog, kOkButton);
        return TRUE;
    }
    return FALSE;
}

void runClosingDialog(const DialogTexts& texts) {
    if (DialogBoxParamW(dialogModule(), MAKEINTRESOURCEW(kDialogId), GetActiveWindow(),
                        closingProcedure, reinterpret_cast<LPARAM>(&texts)) == -1)
        write(Level::Error, u"The dialog could not be shown: %d", static_cast<int>(GetLastError()));
}

// The dialog's thread: the dialog follows what the working thread sets
// until kFinish, then gives way to the closing dialog when asked to.
DWORD runDialogThread(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<StatusDialog::Shared>> kept(
        static_cast<std::shared_ptr<StatusDialog::Shared>*>(parameter));
    StatusDialog::Shared& shared = **kept;
    const HWND dialog =
        CreateDialogParamW(dialogModule(), MAKEINTRESOURCEW(kDialogId), GetActiveWindow(), progressProcedure, 0);
    if (!dialog) write(Level::Error, u"The dialog could not be shown: %d", static_cast<int>(GetLastError()));
    shared.window = dialog;
    SetEvent(shared.up);
    if (!dialog) return 1;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != kFinish) DispatchMessageW(&message);
    shared.window = nullptr;
    DestroyWindow(dialog);
    if (message.message == kFinish && message.lParam)
        runClosingDialog(*reinterpret_cast<const DialogTexts*>(message.lParam));
    return 0;
}

}  // namespace

StatusDialog::~StatusDialog() { finish(nullptr); }

bool StatusDialog::open() {
    m_shared = std::make_shared<Shared>();
    auto* handedOver = new std::shared_ptr<Shared>(m_shared);
    m_thread = CreateThread(nullptr, 0, runDialogThread, handedOver, 0, nullptr);
    if (!m_thread) {
        delete handedOver;
        write(Level::Error, u"Thread creation failed");
        return false;
    }
    const HANDLE either[] = {m_shared->up, m_thread};
    if (WaitForMultipleObjects(2, either, FALSE, kStartLimitMs) == WAIT_TIMEOUT)
        write(Level::Error, u"The dialog did not come up in time.");
    return m_shared->window != nullptr;
}

void StatusDialog::setCaption(const std::u16string& caption, const std::u16string& title) {
    if (const HWND dialog = m_shared ? m_shared->window.load() : nullptr) {
        SetWindowTextW(dialog, caption.c_str());
        SetDlgItemTextW(dialog, kTitleLine, title.c_str());
    }
}

void StatusDialog::setStatus(const std::u16string& status) {
    if (const HWND dialog = m_shared ? m_shared->window.load() : nullptr)
        SetDlgItemTextW(dialog, kStatusLine, status.c_str());
}

void StatusDialog::askForOk(const DialogTexts& texts) {
    if (m_thread) {
        finish(&texts);
        return;
    }
    runClosingDialog(texts);
}

void StatusDialog::finish(const DialogTexts* texts) {
    if (!m_thread) return;
    const HWND dialog = m_shared->window;
    const bool posted = dialog && PostMessageW(dialog, kFinish, 0, reinterpret_cast<LPARAM>(texts));
    // Asked for OK, the thread ends when the user has pressed it.
    WaitForSingleObject(m_thread, posted && texts ? INFINITE : kEndLimitMs);
    CloseHandle(m_thread);
    m_thread = nullptr;
    if (texts && !posted) runClosingDialog(*texts);
}

}  // namespace tornil
