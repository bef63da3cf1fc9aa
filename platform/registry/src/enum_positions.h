// Where the last enumeration of a key's subkeys or values stopped, so that
// asking for the next index seeks past the row returned last instead of
// counting the rows before it again. A position serves only while the
// database is as it was when it was kept, so every answer is the one that
// counting would give, whatever other processes write in between.
#pragma once

#include <cstdint>
#include <optional>

#include "database.h"
#include "tree.h"

namespace platform::registry {

enum class Listing { Subkeys, Values };

struct ListKey {
    Listing listing;
    KeyId key;
    KeyId shadowed;
    bool operator==(const ListKey&) const = default;
};

// A row of a listing: the half it comes from (0: the key's own, 1: the
// shadowed key's) and its id, which orders each half.
struct ListPosition {
    int side = 0;
    std::int64_t id = 0;
};

// The position of the row at index - 1 when it was kept under this mark.
std::optional<ListPosition> positionBefore(const Database::Mark& mark, const ListKey& list, DWORD index);
void keepPosition(const Database::Mark& mark, const ListKey& list, DWORD index, ListPosition position);

}  // namespace platform::registry
