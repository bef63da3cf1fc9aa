// GTK serves every thread: a box of another thread comes up and is
// answered while this thread is blocked, and this thread's own box
// afterwards; a thread whose shown window posts to itself while it handles
// a message sent from another thread finds that message in its own loop;
// work sent to the GTK thread after the event it waits on was answered
// waits for the event's handler to return.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "gtk_calls.h"
#include "gtk_windows.h"
#include "on_screen.h"
#include "platform/dialog_templates.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/resources.h"
#include "win32/sync.h"
#include "win32/threads.h"
#include "win32/ui.h"

using on_screen::OnScreen;

namespace {

DWORD askOnThisThread(LPVOID) {
    return static_cast<DWORD>(MessageBoxW(nullptr, u"Generuji klíč...", u"Jiné vlákno", MB_OKCANCEL));
}

TEST_F(OnScreen, ABoxOfAnotherThreadIsAnsweredWhileThisOneIsBlocked) {
    EXPECT_EQ(static_cast<DWORD>(IDCANCEL), answered("Jiné vlákno", "Escape", [] {
                  const HANDLE thread = CreateThread(nullptr, 0, askOnThisThread, nullptr, 0, nullptr);
                  DWORD code = 0;
                  // Blocked without taking messages, as in long work.
                  if (WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0) GetExitCodeThread(thread, &code);
                  CloseHandle(thread);
                  return code;
              }, {"ui-box-of-another-thread", {"Generuji klíč...", "OK", "Storno"}}));
    EXPECT_EQ(IDOK, answered("Toto vlákno", "Return", [] {
                  return MessageBoxW(nullptr, u"Hotovo", u"Toto vlákno", MB_OK);
              }, {"", {"Hotovo"}}));
}

constexpr int kThreadDialogId = 330;
constexpr UINT kClosed = WM_USER + 1;  // posted by the window to itself on WM_CLOSE
constexpr UINT kGiveUp = WM_USER + 2;  // posted by the test when kClosed never came
HINSTANCE const kThreadModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7300});

INT_PTR postingOnClose(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_CLOSE) return FALSE;
    PostMessageW(dialog, kClosed, 0, 0);
    return TRUE;
}

struct LoopThread {
    HANDLE up = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> dialog{nullptr};
};

// Shows a modeless dialog and takes messages until kClosed or kGiveUp; the
// one that ended the loop is the exit code.
DWORD loopUntilClosed(LPVOID parameter) {
    auto& shared = *static_cast<LoopThread*>(parameter);
    shared.dialog = CreateDialogParamW(kThreadModule, MAKEINTRESOURCEW(kThreadDialogId), nullptr, postingOnClose, 0);
    SetEvent(shared.up);
    if (!shared.dialog) return 0;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != kClosed && message.message != kGiveUp)
        DispatchMessageW(&message);
    DestroyWindow(shared.dialog);
    return message.message;
}

TEST_F(OnScreen, AMessageAWindowPostsToItselfWhileHandlingASentOneReachesItsThreadsLoop) {
    platform::ui::DialogTemplate dialog{kThreadDialogId, 160, 40, "MS Shell Dlg", 8, "Smyčka", {}};
    dialog.controls = {{10, platform::ui::ControlKind::Static, "Čekám na zavření", 7, 7, 146, 10}};
    platform::ui::declareDialogTemplate(kThreadModule, dialog);
    LoopThread shared;
    const HANDLE thread = CreateThread(nullptr, 0, loopUntilClosed, &shared, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(shared.up, 20000));
    ASSERT_NE(nullptr, shared.dialog.load());
    SendMessageW(shared.dialog, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(thread, 5000) == WAIT_TIMEOUT) PostMessageW(shared.dialog, kGiveUp, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
    DWORD ended = 0;
    GetExitCodeThread(thread, &ended);
    EXPECT_EQ(kClosed, ended) << "the loop never saw the message its window posted";
    CloseHandle(thread);
    CloseHandle(shared.up);
}

// The GTK thread waits in an event's handler (a navigation the program
// decides on) until the answer has come, which here comes without waking
// it; the program then at once sends work that ends the window (the close
// it has just heard of). That work must not run inside the handler, which
// would go on with a window destroyed under it.
TEST_F(OnScreen, WorkSentAfterAWaitIsAnsweredRunsOnceTheWaitingHandlerHasReturned) {
    namespace gtk = platform::ui::gtk;
    std::vector<std::string> order;  // written on the GTK thread only
    std::atomic<bool> waiting{false};
    std::atomic<bool> answered{false};
    std::thread program([&] {
        while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        answered = true;
        gtk::call([&] { order.push_back("window ended"); });
    });
    gtk::call([&] {
        waiting = true;
        gtk::iterateUntil([&] { return answered.load(); });
        order.push_back("handler returned");
    });
    program.join();
    EXPECT_EQ((std::vector<std::string>{"handler returned", "window ended"}), order);
}

}  // namespace
