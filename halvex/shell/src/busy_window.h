// The busy window: dialog 101 (a text over a running bar) on a thread of
// its own, so that it stays alive while the program's thread works. The
// program's thread starts it, shows it with a text and hides it; its
// timer hides it while another window is in front of the program's and
// shows it again, without taking the focus, when the program's is back.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

#include "busy_dialog_template.h"
#include "win32/types.h"

namespace halvex {

// lParam: the text, UTF-16, so that no code page can lose a letter of it.
inline constexpr UINT kBusySetText = 0x0400 + 102;
inline constexpr UINT kBusyHide = 0x0400 + 103;
inline constexpr UINT kBusyShow = 0x0400 + 104;
// How long the program's close waits for the busy thread to end.
inline constexpr DWORD kBusyCloseWaitMs = 10000;

class BusyWindow {
public:
    BusyWindow() = default;
    // Ends the thread as Close does, without waiting.
    ~BusyWindow();
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Starts the thread with the module's dialog 101 and waits until the
    // window is there, or until the thread has ended without one (the
    // owner or the dialog could not be made). mainWindow is the program's
    // window, the one whose being in front lets the busy window show.
    // True when the window is there.
    bool Start(HINSTANCE module, HWND mainWindow);
    // The wait cursor; the window shown (once until HideBusy) with the
    // string's text.
    void ShowBusy(UINT stringId);
    // The window hidden and its text emptied; the arrow cursor.
    void HideBusy();
    // Hides the window, asks the thread to end and waits for it at most
    // limitMs; nothing the thread does can hold the caller longer. A later
    // call waits only for what is left of the first one's limit, so every
    // way out together waits no longer. True when the thread has ended (or
    // none ran).
    bool Close(DWORD limitMs = kBusyCloseWaitMs);

    HWND Window() const;

    // What the two threads share; it outlives a thread that does not end.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    HANDLE m_thread = nullptr;
    std::optional<std::chrono::steady_clock::time_point> m_closeDeadline;
};

}  // namespace halvex
