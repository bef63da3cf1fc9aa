// What the upgrade process tells the user: each status as a line on
// standard output and in its dialog 101, which is up on a thread of its
// own while the work runs (caption, title line, the status, OK disabled);
// at the end the dialog shows the last status with OK enabled and the user
// confirms it.
#pragma once

#include "messages.h"
#include "status_dialog.h"

namespace tornil {

class StatusDisplay {
public:
    // Brings the dialog up (a bounded wait); the statuses go to standard
    // output alone when it does not come.
    void open();
    // Czech until the hand-over names the language.
    void setLanguage(int language);
    void show(Message message);
    // Enables OK and returns once the user pressed it, or at once when no
    // dialog can be shown (logged).
    void confirm();

private:
    int m_language = 0;
    Message m_last = kNoMessage;
    StatusDialog m_dialog;
};

}  // namespace tornil
