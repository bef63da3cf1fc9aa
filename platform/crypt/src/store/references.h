// Contexts handed to callers, by address. A caller's pointer is looked up
// here before it is used, so a freed or forged context is refused (or, for
// CertFree*, ignored) rather than followed.
#pragma once

#include <memory>

#include "store/element.h"

namespace platform::crypt::store {

// Null for a pointer that is not a live context of the kind.
std::shared_ptr<Element> referencedElement(const void* context, Kind kind);
// E_INVALIDARG for such a pointer.
std::shared_ptr<Element> requireElement(const void* context, Kind kind);

// One more caller reference; the first one also keeps its store alive.
void addReference(const std::shared_ptr<Element>& element);
// One fewer; at the last, a deleted element leaves its store's list and the
// store may end.
void dropReference(const std::shared_ptr<Element>& element);

// Drops the reference of a context a call consumes (the previous context
// of an enumeration), when the call ends however it ends.
class ConsumedContext {
public:
    ConsumedContext(const void* context, Kind kind) : m_element(referencedElement(context, kind)) {}
    ~ConsumedContext() {
        if (m_element) dropReference(m_element);
    }
    ConsumedContext(const ConsumedContext&) = delete;
    ConsumedContext& operator=(const ConsumedContext&) = delete;
    const std::shared_ptr<Element>& element() const noexcept { return m_element; }

private:
    std::shared_ptr<Element> m_element;
};

}  // namespace platform::crypt::store
