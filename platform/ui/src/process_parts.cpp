// Finding the parts of the process: the program's when it exports them,
// else this copy's own.
#include "process_parts.h"

#include <dlfcn.h>

namespace platform::ui {

namespace {

using PartsEntry = const ProcessParts* (*)();

const ProcessParts& findParts() noexcept {
    // Parts of another size come from a different build: not ones to share.
    if (auto entry = reinterpret_cast<PartsEntry>(dlsym(RTLD_DEFAULT, "tesk_ui_process_v1")))
        if (const ProcessParts* shared = entry(); shared && shared->size == sizeof(ProcessParts)) return *shared;
    return ownParts();
}

}  // namespace

const ProcessParts& ownParts() {
    static const ProcessParts parts{sizeof(ProcessParts), &ownBackendChoice(), &script::ownAnswerState(),
                                    &gtk::ownThreadCalls()};
    return parts;
}

const ProcessParts& processParts() {
    static const ProcessParts& serving = findParts();
    return serving;
}

}  // namespace platform::ui
