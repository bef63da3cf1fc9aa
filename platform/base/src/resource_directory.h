// Finding resources in a module's table by type, name and language.
#pragma once

#include <span>
#include <string>

#include "resource_table.h"
#include "win32/types.h"

namespace platform::resources {

// A type or name as the callers pass it: an integer in the pointer, or text.
struct Key {
    WORD id = 0;
    std::u16string text;
};
Key keyOf(LPCWSTR typeOrName);
Key keyOf(LPCSTR ansiTypeOrName);
inline Key keyOf(WORD id) { return {id, {}}; }

// The best entry for the language: that language, else a neutral one, else
// the first declared. A null module is the calling copy's module.
// Throws ERROR_RESOURCE_DATA_NOT_FOUND (no resources at all),
// ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND.
const TableEntry& findEntry(HMODULE module, const Key& type, const Key& name, LANGID language);
// The entry behind an HRSRC, checked to be an entry of a loaded module's
// table; ERROR_INVALID_HANDLE otherwise.
const TableEntry& entryOf(HRSRC resource);
std::span<const BYTE> dataOf(const TableEntry& entry);

}  // namespace platform::resources
