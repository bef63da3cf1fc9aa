// Which backend answers the UI calls of this process.
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

#include "fatal.h"
#include "gtk_backend.h"
#include "platform/ui.h"
#include "script_backend.h"

namespace platform::ui {

namespace {

std::mutex g_mutex;
std::unique_ptr<Backend> g_backend;

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

std::unique_ptr<Backend> fromEnvironment() {
    const char* setting = std::getenv("PLATFORM_UI");
    if (!setting || !*setting)
        return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") ? gtk::makeBackend() : script::makeBackend();
    const std::string_view value(setting);
    constexpr std::string_view scriptFile = "script:";
    if (value == "gtk") return gtk::makeBackend();
    if (value == "script") return script::makeBackend();
    if (value.starts_with(scriptFile) && value.size() > scriptFile.size())
        return script::makeBackend(std::string(value.substr(scriptFile.size())));
    fatal("PLATFORM_UI=" + std::string(value) + " is none of gtk, script, script:FILE");
}

}  // namespace

Backend& backend() {
    std::lock_guard lock(g_mutex);
    if (!g_backend) g_backend = fromEnvironment();
    return *g_backend;
}

void setBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(g_mutex);
    g_backend = std::move(backend);
}

}  // namespace platform::ui
