// Windows of several threads through the script backend: messages sent
// across threads both ways run on the owner thread without dead-lock, a
// posted WM_CLOSE ends another thread's loop through WM_QUIT, timers tick
// on the thread that set them, a message box hands the caller's posted
// messages over, and a modeless dialog's progress bar, visibility, place
// in front and the window in front are kept as records.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/commctrl.h"
#include "win32/error.h"
#include "win32/messages.h"
#include "win32/resources.h"
#include "win32/threads.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

constexpr int kThreadDialogId = 320;
constexpr int kThreadText = 30;
constexpr int kBar = 31;
constexpr UINT kAsk = WM_USER + 1;     // to the other thread's window: ask back
constexpr UINT kAnswer = WM_USER + 2;  // answered with the handling thread's id
constexpr UINT kTicks = 3;
HINSTANCE const kThreadModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7200});

std::atomic<HWND> g_mainWindow{nullptr};
std::atomic<DWORD> g_askedOn{0};
std::atomic<UINT> g_ticks{0};
std::atomic<DWORD> g_tickedOn{0};
std::atomic<bool> g_postedSeen{false};

INT_PTR threadProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case kAsk:
        g_askedOn = GetCurrentThreadId();
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, SendMessageW(g_mainWindow, kAnswer, 0, 0));
        return TRUE;
    case kAnswer: SetWindowLongPtrW(dialog, DWLP_MSGRESULT, GetCurrentThreadId()); return TRUE;
    case WM_TIMER:
        g_tickedOn = GetCurrentThreadId();
        if (++g_ticks == kTicks) KillTimer(dialog, 1);
        return TRUE;
    case WM_USER + 5: g_postedSeen = true; return TRUE;
    case WM_CLOSE: PostQuitMessage(7); return TRUE;
    default: return FALSE;
    }
}

HWND makeDialog() {
    return CreateDialogParamW(kThreadModule, MAKEINTRESOURCEW(kThreadDialogId), nullptr, threadProcedure, 0);
}

// A thread with a dialog of its own and the usual loop; its exit code is
// WM_QUIT's. The window's handle is left in *parameter.
DWORD runWindowThread(LPVOID parameter) {
    const HWND dialog = makeDialog();
    *static_cast<std::atomic<HWND>*>(parameter) = dialog;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(dialog);
    return static_cast<DWORD>(message.wParam);
}

// A thread whose window's timer ticks until the procedure kills it.
DWORD runTimerThread(LPVOID) {
    const HWND dialog = makeDialog();
    if (SetTimer(dialog, 1, 20, nullptr) != 1) return 1;
    MSG message;
    while (g_ticks < kTicks && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    const bool killed = !KillTimer(dialog, 1) && GetLastError() == ERROR_INVALID_PARAMETER;
    DestroyWindow(dialog);
    return killed ? 0 : 2;
}

HWND waitForWindow(const std::atomic<HWND>& window) {
    for (int i = 0; i < 500 && !window; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return window;
}

class WindowThreads : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        ui::declareDialogTemplate(kThreadModule, {kThreadDialogId, 200, 40, "MS Sans Serif", 8, "",
                                                  {{kThreadText, ui::ControlKind::Static, "", 3, 4, 190, 10},
                                                   {kBar, ui::ControlKind::ProgressBar, "", 3, 20, 190, 10,
                                                    PBS_MARQUEE}}});
        g_mainWindow = makeDialog();
        ASSERT_NE(nullptr, g_mainWindow.load()) << GetLastError();
        script::clear();
    }
    void TearDown() override {
        DestroyWindow(g_mainWindow);
        EXPECT_EQ(0u, script::pending());
        script::clear();
        ui::setBackend(nullptr);
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
};

TEST_F(WindowThreads, SendsRunOnTheOwnerThreadBothWaysAndAPostedCloseEndsTheLoop) {
    std::atomic<HWND> other{nullptr};
    DWORD otherId = 0;
    const HANDLE thread = CreateThread(nullptr, 0, runWindowThread, &other, 0, &otherId);
    ASSERT_NE(nullptr, thread);
    ASSERT_NE(nullptr, waitForWindow(other));

    // The other thread asks this one back while this one waits for it.
    EXPECT_EQ(static_cast<LRESULT>(GetCurrentThreadId()), SendMessageW(other, kAsk, 0, 0));
    EXPECT_EQ(otherId, g_askedOn.load());

    // Its window is its own: no timer of it here, no taking its messages.
    EXPECT_EQ(0u, SetTimer(other, 1, 100, nullptr));
    EXPECT_EQ(ERROR_WINDOW_OF_OTHER_THREAD, GetLastError());
    MSG message;
    EXPECT_EQ(-1, GetMessageW(&message, other, 0, 0));

    ASSERT_TRUE(PostMessageW(other, WM_CLOSE, 0, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(7u, code);
    CloseHandle(thread);

    // A thread that has ended takes no more messages.
    EXPECT_FALSE(PostThreadMessageW(otherId, WM_USER, 0, 0));
    EXPECT_EQ(ERROR_INVALID_THREAD_ID, GetLastError());
}

TEST_F(WindowThreads, TimersTickOnTheirThreadAndQuitComesAfterThePostedMessages) {
    g_ticks = 0;
    const HANDLE thread = CreateThread(nullptr, 0, runTimerThread, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(kTicks, g_ticks.load());
    EXPECT_NE(GetCurrentThreadId(), g_tickedOn.load());
    CloseHandle(thread);

    // On this thread: the posted messages first, then WM_QUIT once.
    PostQuitMessage(3);
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 9, 1, 2));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(WM_USER + 9, message.message);
    EXPECT_EQ(TRUE, GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(2, message.lParam);
    EXPECT_EQ(FALSE, GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
    EXPECT_EQ(3u, message.wParam);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowThreads, AMessageBoxHandsOverWhatWasPostedBeforeIt) {
    g_postedSeen = false;
    ASSERT_TRUE(PostMessageW(g_mainWindow, WM_USER + 5, 0, 0));
    script::queue("MessageBox", "IDOK");
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Hotovo", u"Halvex", MB_OK));
    EXPECT_TRUE(g_postedSeen);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowThreads, AModelessDialogKeepsItsBarVisibilityPlaceInFrontAndTheWindowInFront) {
    const HWND owner = CreateWindowExW(0, u"Static", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"Button", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());

    const HWND busy = CreateDialogParamW(kThreadModule, MAKEINTRESOURCEW(kThreadDialogId), owner, threadProcedure, 0);
    ASSERT_NE(nullptr, busy);
    EXPECT_EQ(owner, GetParent(busy));
    SendDlgItemMessageW(busy, kBar, PBM_SETRANGE, 0, 30 << 16);
    SendDlgItemMessageW(busy, kBar, PBM_SETSTEP, 10, 0);
    EXPECT_EQ(0, SendDlgItemMessageW(busy, kBar, PBM_SETPOS, 45, 0));
    EXPECT_EQ(30, SendDlgItemMessageW(busy, kBar, PBM_STEPIT, 0, 0));  // past the top: the bottom again
    EXPECT_EQ(0, SendDlgItemMessageW(busy, kBar, PBM_GETPOS, 0, 0));
    SendDlgItemMessageW(busy, kBar, PBM_SETMARQUEE, TRUE, 100);
    SetWindowPos(busy, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(ShowWindow(busy, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(busy));
    EXPECT_FALSE(ShowWindow(busy, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(busy));

    EXPECT_EQ(nullptr, GetForegroundWindow());
    EXPECT_TRUE(SetForegroundWindow(g_mainWindow));
    EXPECT_EQ(g_mainWindow.load(), GetForegroundWindow());
    EXPECT_TRUE(DestroyWindow(busy));
    EXPECT_TRUE(DestroyWindow(owner));
    EXPECT_TRUE(DestroyWindow(g_mainWindow));
    EXPECT_EQ(nullptr, GetForegroundWindow());  // gone from the front with the window

    const auto lines = script::transcript();
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("Dialog 320:  | 30 static \"\" | 31 progress \"\" pos 0", lines[0]);
    EXPECT_EQ("Dialog 320 topmost", lines[1]);
    EXPECT_EQ("Dialog 320 hidden", lines[2]);
    EXPECT_EQ("Dialog 320 shown", lines[3]);
    EXPECT_EQ("Dialog 320 destroyed", lines[4]);
    EXPECT_EQ("Dialog 320 destroyed", lines[5]);
}

}  // namespace
