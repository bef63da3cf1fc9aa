// The resource table that tesk_add_resources compiles into a module and the
// resource functions read. The module exports it under one name with default
// visibility; every reference in it is an offset from the entry that holds
// it, so the table needs no relocation when the module loads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::resources {

inline constexpr char kTableSymbol[] = "tesk_resource_table";
inline constexpr std::uint32_t kTableMagic = 0x53455254;  // "TRES"
inline constexpr std::uint32_t kTableVersion = 1;

struct TableHeader {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint64_t count;  // entries that follow the header
};

struct TableEntry {
    std::int64_t typeName;  // offset of the NUL-terminated UTF-16 type name, 0 for an integer type
    std::int64_t name;      // the same for the name
    std::int64_t data;      // offset of the bytes
    std::uint32_t size;
    std::uint16_t typeId;  // the integer type when typeName is 0
    std::uint16_t nameId;  // the integer name when name is 0
    std::uint16_t language;
    std::uint16_t reserved[3];
};

// The generator writes the fields in this order with these sizes.
static_assert(sizeof(TableHeader) == 16);
static_assert(offsetof(TableEntry, size) == 24 && offsetof(TableEntry, typeId) == 28 &&
              offsetof(TableEntry, nameId) == 30 && offsetof(TableEntry, language) == 32);
static_assert(sizeof(TableEntry) == 40);

}  // namespace platform::resources
