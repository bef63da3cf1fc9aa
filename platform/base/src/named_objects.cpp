#include "named_objects.h"

#include <map>
#include <mutex>

#include "platform/text.h"

namespace platform::sync {

namespace {

struct NameSpace {
    std::mutex mutex;
    std::map<std::u16string, std::weak_ptr<Waitable>, std::less<>> objects;
};

NameSpace& names() {
    static NameSpace space;
    return space;
}

}  // namespace

NamedObject findOrAddNamed(std::u16string_view name, const std::function<std::shared_ptr<Waitable>()>& make) {
    auto& space = names();
    std::lock_guard lock(space.mutex);
    std::erase_if(space.objects, [](const auto& entry) { return entry.second.expired(); });
    if (auto it = space.objects.find(name); it != space.objects.end()) return {it->second.lock(), true};
    auto object = make();
    space.objects.emplace(std::u16string(name), object);
    return {std::move(object), false};
}

std::u16string nameOf(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

std::u16string nameOf(LPCSTR ansiName) { return ansiName ? text::toWide(ansiName, CP_ACP) : std::u16string(); }

}  // namespace platform::sync
