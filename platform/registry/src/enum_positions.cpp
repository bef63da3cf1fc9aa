#include "enum_positions.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform::registry {

namespace {

// Enough for enumerations nested a few deep in several threads; the oldest
// position goes first.
constexpr std::size_t kKept = 32;

struct Kept {
    Database::Mark mark;
    ListKey list;
    DWORD index;
    ListPosition position;
};

struct Positions {
    std::mutex lock;
    std::vector<Kept> kept;  // oldest first
};

Positions& positions() {
    static Positions table;
    return table;
}

}  // namespace

std::optional<ListPosition> positionBefore(const Database::Mark& mark, const ListKey& list, DWORD index) {
    Positions& table = positions();
    const std::lock_guard guard(table.lock);
    for (const Kept& k : table.kept)
        if (k.list == list && k.mark == mark && index > 0 && k.index == index - 1) return k.position;
    return std::nullopt;
}

void keepPosition(const Database::Mark& mark, const ListKey& list, DWORD index, ListPosition position) {
    Positions& table = positions();
    const std::lock_guard guard(table.lock);
    std::erase_if(table.kept, [&](const Kept& k) { return k.list == list && k.mark.connection == mark.connection; });
    if (table.kept.size() == kKept) table.kept.erase(table.kept.begin());
    table.kept.push_back({mark, list, index, position});
}

}  // namespace platform::registry
