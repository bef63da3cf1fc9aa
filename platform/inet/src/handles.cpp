// handles.cpp: the one table of internet handles.
#include "handles.h"

#include "platform/handle_table.h"

namespace platform::inet {

namespace {

HandleTable<Handle>& table() {
    static HandleTable<Handle> handles(ERROR_INVALID_HANDLE, 0xCC0000);
    return handles;
}

ULONG_PTR valueOf(HINTERNET h) { return reinterpret_cast<ULONG_PTR>(h); }

}  // namespace

HINTERNET addHandle(std::shared_ptr<Handle> handle) {
    return reinterpret_cast<HINTERNET>(table().add(std::move(handle)));
}

std::shared_ptr<Handle> findHandle(HINTERNET h) { return table().get(valueOf(h)); }

void removeHandle(HINTERNET h) { table().remove(valueOf(h)); }

}  // namespace platform::inet
