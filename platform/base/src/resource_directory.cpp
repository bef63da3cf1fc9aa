#include "resource_directory.h"

#include <cstdint>

#include "loaded_modules.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/resources.h"

namespace platform::resources {

namespace {

template <class T>
const T* at(const void* base, std::int64_t offset) {
    return reinterpret_cast<const T*>(reinterpret_cast<std::intptr_t>(base) + offset);
}

// The module's entries; empty when it carries no table of this layout.
std::span<const TableEntry> entriesOf(HMODULE module) {
    const auto* header = static_cast<const TableHeader*>(modules::findExport(module, kTableSymbol));
    if (!header || header->magic != kTableMagic || header->version != kTableVersion) return {};
    return {reinterpret_cast<const TableEntry*>(header + 1), static_cast<std::size_t>(header->count)};
}

bool matches(const Key& key, const TableEntry& entry, std::int64_t textOffset, WORD id) {
    if (key.text.empty()) return textOffset == 0 && id == key.id;
    return textOffset != 0 && text::equalsNoCase(key.text, at<char16_t>(&entry, textOffset));
}

bool isNeutral(LANGID language) { return (language & 0x3FF) == 0; }

int languageRank(LANGID wanted, LANGID offered) {
    if (offered == wanted && !isNeutral(wanted)) return 0;
    return isNeutral(offered) ? 1 : 2;
}

}  // namespace

Key keyOf(LPCWSTR typeOrName) {
    if (IS_INTRESOURCE(typeOrName)) return {static_cast<WORD>(reinterpret_cast<ULONG_PTR>(typeOrName)), {}};
    return {0, typeOrName};
}

Key keyOf(LPCSTR ansiTypeOrName) {
    if (IS_INTRESOURCE(ansiTypeOrName)) return {static_cast<WORD>(reinterpret_cast<ULONG_PTR>(ansiTypeOrName)), {}};
    return {0, text::toWide(ansiTypeOrName, CP_ACP)};
}

const TableEntry& findEntry(HMODULE module, const Key& type, const Key& name, LANGID language) {
    const auto entries = entriesOf(module ? module : modules::thisModule());
    if (entries.empty()) throw WinError(ERROR_RESOURCE_DATA_NOT_FOUND, "the module carries no resources");
    bool typeFound = false;
    const TableEntry* best = nullptr;
    for (const auto& entry : entries) {
        if (!matches(type, entry, entry.typeName, entry.typeId)) continue;
        typeFound = true;
        if (!matches(name, entry, entry.name, entry.nameId)) continue;
        if (!best || languageRank(language, entry.language) < languageRank(language, best->language)) best = &entry;
    }
    if (!best)
        throw WinError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND, "resource not found");
    return *best;
}

const TableEntry& entryOf(HRSRC resource) {
    const auto address = reinterpret_cast<std::uintptr_t>(resource);
    const HMODULE module = modules::moduleAt(resource);
    const auto entries = module ? entriesOf(module) : std::span<const TableEntry>();
    const auto first = reinterpret_cast<std::uintptr_t>(entries.data());
    if (entries.empty() || address < first || address >= first + entries.size_bytes() ||
        (address - first) % sizeof(TableEntry) != 0)
        throw WinError(ERROR_INVALID_HANDLE, "not a resource of a loaded module");
    return entries[(address - first) / sizeof(TableEntry)];
}

std::span<const BYTE> dataOf(const TableEntry& entry) { return {at<BYTE>(&entry, entry.data), entry.size}; }

}  // namespace platform::resources
