#include "store/references.h"

#include <unordered_map>

#include "platform/win_error.h"
#include "store/local_store.h"

namespace platform::crypt::store {

namespace {

std::unordered_map<const void*, std::shared_ptr<Element>>& referenced() {
    static std::unordered_map<const void*, std::shared_ptr<Element>> table;
    return table;
}

}  // namespace

std::shared_ptr<Element> referencedElement(const void* context, Kind kind) {
    if (!context) return nullptr;
    const auto it = referenced().find(context);
    if (it == referenced().end() || it->second->kind() != kind) return nullptr;
    return it->second;
}

std::shared_ptr<Element> requireElement(const void* context, Kind kind) {
    auto element = referencedElement(context, kind);
    if (!element) throw WinError(E_INVALIDARG, "not a context of this process");
    return element;
}

void addReference(const std::shared_ptr<Element>& element) {
    if (element->references++ == 0) {
        referenced().emplace(element->context(), element);
        element->store()->contextReferenced();
    }
}

void dropReference(const std::shared_ptr<Element>& element) {
    if (--element->references != 0) return;
    referenced().erase(element->context());
    LocalStore* store = element->store();
    if (element->deleted) store->forget(*element);
    store->contextReleased();  // may end the store: nothing of it is used after this
}

}  // namespace platform::crypt::store
