#include "export_session.h"

#include <new>

namespace pentak::exports {

namespace {

// A plain pointer: a session still open when the library is unloaded is
// left alone rather than destroyed after the process-wide records its
// destructor writes to.
CEnroll* g_session = nullptr;

}  // namespace

CEnroll* currentSession() noexcept { return g_session; }

bool startSession() noexcept {
    if (g_session) return true;
    try {
        g_session = new CEnroll();
    } catch (...) {
        return false;
    }
    return true;
}

void endSession() noexcept {
    delete g_session;
    g_session = nullptr;
}

}  // namespace pentak::exports
