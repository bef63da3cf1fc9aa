// The one user-interface interface of the layer, with two backends:
//   gtk    - real windows (GTK 4), for a user at a display;
//   script - no window; every question is answered from a script, for tests
//            and unattended runs. A question the script does not answer
//            fails loudly (the process reports it and aborts) instead of
//            hanging.
// The backend is chosen at the first use: PLATFORM_UI=script:FILE or
// PLATFORM_UI=script gives the script backend (answers from FILE and from
// the queue below), PLATFORM_UI=gtk the GTK one; without the variable, GTK
// when a display is available (DISPLAY or WAYLAND_DISPLAY), else script.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win32/types.h"

namespace platform::ui {

// A question put to the user, in UTF-8 (the backends' own text).
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    UINT type = 0;  // MB_ flags: buttons, icon, default button
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const noexcept = 0;
    // Returns an ID* result; throws WinError when no box can be shown.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
};

// The backend in use (chosen on first call, see above).
Backend& backend();
// Replaces the backend (tests); null returns to the choice on next use.
void setBackend(std::unique_ptr<Backend> backend);

namespace script {
// Answers for the script backend, taken in order. A queued answer names the
// kind of question ("MessageBox") and the reply ("IDYES", "IDNO", "IDOK",
// "IDCANCEL" ... or a number); an optional text is a substring the question's
// text must contain. A script file holds one answer per line in the same
// form: "MessageBox IDYES [text...]"; lines starting with "#" are comments.
void queue(std::string kind, std::string reply, std::string expectText = {});
void clear();
// How many queued answers are left unused.
std::size_t pending();
// The questions asked so far, as "kind: caption: text" lines (for asserting).
std::vector<std::string> transcript();
// Called instead of aborting when a question has no answer; a test installs
// a handler that records a failure. The handler's return value is the reply.
void onUnanswered(std::function<int(const std::string& question)> handler);
}  // namespace script

}  // namespace platform::ui
