// GTK serves every thread: a box of another thread comes up and is
// answered while this thread is blocked, and this thread's own box
// afterwards.
#include <gtest/gtest.h>

#include "on_screen.h"
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
              }, "ui-box-of-another-thread"));
    EXPECT_EQ(IDOK, answered("Toto vlákno", "Return", [] {
                  return MessageBoxW(nullptr, u"Hotovo", u"Toto vlákno", MB_OK);
              }));
}

}  // namespace
