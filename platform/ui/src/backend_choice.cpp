// Which backend answers the UI calls of this process.
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "fatal.h"
#include "gtk_backend.h"
#include "platform/ui.h"
#include "process_parts.h"
#include "script_backend.h"

namespace platform::ui {

// The kind of backend the process runs, read from the environment by the
// first copy that needs a backend; that copy alone queues the answers of
// the script file, so they are queued once.
struct BackendChoice {
    enum class Kind { Gtk, Script };
    std::mutex mutex;
    std::optional<Kind> kind;
};

BackendChoice& ownBackendChoice() {
    static BackendChoice choice;
    return choice;
}

namespace {

using Kind = BackendChoice::Kind;

std::mutex g_mutex;
std::unique_ptr<Backend> g_backend;

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

struct Setting {
    Kind kind;
    std::filesystem::path scriptFile;
};

Setting readEnvironment() {
    const char* setting = std::getenv("PLATFORM_UI");
    if (!setting || !*setting) return {isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") ? Kind::Gtk : Kind::Script};
    const std::string_view value(setting);
    constexpr std::string_view scriptFile = "script:";
    if (value == "gtk") return {Kind::Gtk};
    if (value == "script") return {Kind::Script};
    if (value.starts_with(scriptFile) && value.size() > scriptFile.size())
        return {Kind::Script, std::string(value.substr(scriptFile.size()))};
    fatal("PLATFORM_UI=" + std::string(value) + " is none of gtk, script, script:FILE");
}

// This copy's backend, of the kind the process chose.
std::unique_ptr<Backend> fromEnvironment() {
    auto& choice = *processParts().backendChoice;
    std::lock_guard lock(choice.mutex);
    std::filesystem::path scriptFile;
    if (!choice.kind) {
        const auto setting = readEnvironment();
        choice.kind = setting.kind;
        scriptFile = setting.scriptFile;
    }
    return *choice.kind == Kind::Gtk ? gtk::makeBackend() : script::makeBackend(scriptFile);
}

}  // namespace

Backend& backend() {
    std::lock_guard lock(g_mutex);
    if (!g_backend) g_backend = fromEnvironment();
    return *g_backend;
}

// The kind is read again at the next need, unless it is the program's and
// this is a module's copy: the program's script file is queued once.
void setBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(g_mutex);
    g_backend = std::move(backend);
    if (&processParts() != &ownParts()) return;
    auto& choice = *processParts().backendChoice;
    std::lock_guard choiceLock(choice.mutex);
    choice.kind.reset();
}

}  // namespace platform::ui
