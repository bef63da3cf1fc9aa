// What the upgrade process tells the user: each status as a line on
// standard output while it works, and at the end its dialog 101 (caption,
// title line, the last status and an enabled OK button), which the user
// confirms with OK.
#pragma once

#include "messages.h"

namespace tornil {

class StatusDisplay {
public:
    // Czech until the hand-over names the language.
    void setLanguage(int language);
    void show(Message message);
    // Shows the dialog and returns once the user pressed OK, or at once when
    // no dialog can be shown (logged).
    void confirm();

private:
    int m_language = 0;
    Message m_last = kNoMessage;
};

}  // namespace tornil
