// Dialog 101 of the upgrade process on a thread of its own, so that it
// stays drawn while the working thread is busy: shown at the start with OK
// disabled, it follows the texts the working thread sets (caption, title
// line, status line), and at the end it asks for the user's OK.
#pragma once

#include <memory>
#include <string>

#include "win32/types.h"

namespace tornil {

struct DialogTexts {
    std::u16string caption;
    std::u16string title;
    std::u16string status;
};

class StatusDialog {
public:
    StatusDialog() = default;
    // A dialog still up goes without asking anything.
    ~StatusDialog();
    StatusDialog(const StatusDialog&) = delete;
    StatusDialog& operator=(const StatusDialog&) = delete;

    // Starts the dialog's thread and waits, a bounded time, until the
    // dialog is up or the thread has ended; false when no dialog came up
    // (logged).
    bool open();
    // Nothing happens while no dialog is up.
    void setCaption(const std::u16string& caption, const std::u16string& title);
    void setStatus(const std::u16string& status);
    // Shows the texts with OK enabled and returns once the user pressed it,
    // or at once when no dialog can be shown (logged). The open dialog's
    // thread asks it; without one, this thread does.
    void askForOk(const DialogTexts& texts);

    struct Shared;

private:
    // Ends the dialog's thread: with texts it asks for OK first.
    void finish(const DialogTexts* texts);

    std::shared_ptr<Shared> m_shared;
    HANDLE m_thread = nullptr;
};

}  // namespace tornil
