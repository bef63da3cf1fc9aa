// The parts of this area a process has once: the backend's kind, the
// script answers and the GTK thread. Each module carries a copy of the
// area; when the program owns these parts (platform_ui_shared_by_modules)
// every copy in the process uses the program's, so one queue answers the
// questions of all modules in order and one GTK thread runs GTK, which is
// one library per process. Without an owner each copy keeps its own.
// Windows, dialogs and thread queues stay each copy's own.
#pragma once

#include <cstddef>

namespace platform::ui {

struct BackendChoice;
namespace script {
struct AnswerState;
}
namespace gtk {
struct ThreadCalls;
}

struct ProcessParts {
    std::size_t size;  // sizeof(ProcessParts) of the build that made it
    BackendChoice* backendChoice;
    script::AnswerState* answers;
    const gtk::ThreadCalls* gtkThread;
};

// The parts the program owns when it exports them, else this copy's own.
const ProcessParts& processParts();
// This copy's own parts: what an owning program exports.
const ProcessParts& ownParts();

// Each part as this copy keeps it.
BackendChoice& ownBackendChoice();
namespace script {
AnswerState& ownAnswerState();
}
namespace gtk {
const ThreadCalls& ownThreadCalls();
}

}  // namespace platform::ui
