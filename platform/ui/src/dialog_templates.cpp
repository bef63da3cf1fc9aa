// The templates modules declare, by module handle and id.
#include "platform/dialog_templates.h"

#include <map>
#include <mutex>
#include <utility>

namespace platform::ui {

namespace {

struct Declared {
    std::mutex mutex;
    std::map<std::pair<HINSTANCE, int>, std::shared_ptr<const DialogTemplate>> templates;
};

Declared& declared() {
    static Declared d;
    return d;
}

}  // namespace

void declareDialogTemplate(HINSTANCE module, const DialogTemplate& dialog) {
    auto copy = std::make_shared<const DialogTemplate>(dialog);
    auto& d = declared();
    std::lock_guard lock(d.mutex);
    d.templates[{module, dialog.id}] = std::move(copy);
}

std::shared_ptr<const DialogTemplate> findDialogTemplate(HINSTANCE module, int id) {
    auto& d = declared();
    std::lock_guard lock(d.mutex);
    const auto found = d.templates.find({module, id});
    return found == d.templates.end() ? nullptr : found->second;
}

}  // namespace platform::ui
