#include "vendor_hooks.h"

#include <map>
#include <mutex>
#include <tuple>

#include "platform/text.h"

namespace platform::crypt {

namespace {

// Provider names compare without regard to case, as the registry's do.
using HookKey = std::tuple<std::u16string, ParameterKind, DWORD>;

struct Hooks {
    std::mutex mutex;
    std::map<HookKey, ParameterHook> table;
};

Hooks& hooks() {
    static Hooks h;
    return h;
}

HookKey keyOf(std::u16string_view provider, ParameterKind kind, DWORD param) {
    return {text::toLower(provider), kind, param};
}

}  // namespace

void setParameterHook(std::u16string_view provider, ParameterKind kind, DWORD param, ParameterHook hook) {
    auto& h = hooks();
    std::lock_guard lock(h.mutex);
    h.table[keyOf(provider, kind, param)] = std::move(hook);
}

void clearParameterHooks() {
    auto& h = hooks();
    std::lock_guard lock(h.mutex);
    h.table.clear();
}

std::optional<ParameterHook> provider::findParameterHook(std::u16string_view provider, ParameterKind kind, DWORD param) {
    auto& h = hooks();
    std::lock_guard lock(h.mutex);
    const auto it = h.table.find(keyOf(provider, kind, param));
    if (it == h.table.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform::crypt
