// The control classes modules register, and the looks their procedures
// publish into their dialogs' state.
#include <map>
#include <mutex>

#include "control_looks_of.h"
#include "control_procedures.h"
#include "dialog_window.h"
#include "platform/win_error.h"

namespace platform::ui {

namespace {

struct ControlClass {
    ControlProcedure procedure;
    ControlLook look;
};

struct Classes {
    std::mutex mutex;
    std::map<std::string, ControlClass> byName;  // entries stay where they are
};

Classes& classes() {
    static Classes c;
    return c;
}

const ControlClass* classOf(const std::string& name) {
    auto& c = classes();
    std::lock_guard lock(c.mutex);
    const auto found = c.byName.find(name);
    return found == c.byName.end() ? nullptr : &found->second;
}

}  // namespace

void registerControlClass(const std::string& name, ControlProcedure procedure, const ControlLook& look) {
    auto& c = classes();
    std::lock_guard lock(c.mutex);
    c.byName[name] = ControlClass{procedure, look};
}

ControlProcedure controlProcedureOf(const std::string& className) {
    const ControlClass* found = classOf(className);
    return found ? found->procedure : nullptr;
}

const ControlLook* controlLookOf(const std::string& className) {
    const ControlClass* found = classOf(className);
    return found ? &found->look : nullptr;
}

void publishLook(HWND control, std::shared_ptr<const void> look) {
    const auto target = windowOf(control);
    if (!target.control) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "a dialog, not a control");
    target.dialog->mutableState().controls[*target.control].look = std::move(look);
}

}  // namespace platform::ui
