#include "version_file.h"

#include <link.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>

#include "file_errors.h"
#include "platform/win_error.h"
#include "resource_table.h"
#include "win32/resources.h"

namespace platform::resources {

namespace {

// Reads parts of the file with every offset and size checked against its end.
class FileBytes {
public:
    explicit FileBytes(const std::filesystem::path& file) : m_in(file, std::ios::binary) {
        std::error_code ec;
        m_size = std::filesystem::file_size(file, ec);
        if (ec || !m_in) files::throwPathError(file, "open", ec ? ec.value() : ENOENT);
    }
    bool holds(std::uint64_t offset, std::uint64_t size) const { return offset <= m_size && size <= m_size - offset; }
    template <class T>
    std::optional<T> read(std::uint64_t offset) {
        T value{};
        if (!readInto(offset, &value, sizeof value)) return std::nullopt;
        return value;
    }
    bool readInto(std::uint64_t offset, void* to, std::uint64_t size) {
        if (!holds(offset, size)) return false;
        m_in.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(m_in.read(static_cast<char*>(to), static_cast<std::streamsize>(size)));
    }

private:
    std::ifstream m_in;
    std::uint64_t m_size = 0;
};

[[noreturn]] void noResources() { throw WinError(ERROR_RESOURCE_DATA_NOT_FOUND, "the file carries no resources"); }

// File offset of the resource table, found by name in the dynamic symbols.
std::uint64_t tableOffset(FileBytes& bytes) {
    const auto header = bytes.read<ElfW(Ehdr)>(0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_ident[EI_CLASS] != ELFCLASS64 ||
        header->e_shentsize != sizeof(ElfW(Shdr)))
        noResources();
    const auto section = [&](std::uint64_t index) {
        return index < header->e_shnum ? bytes.read<ElfW(Shdr)>(header->e_shoff + index * sizeof(ElfW(Shdr)))
                                       : std::nullopt;
    };
    for (std::uint64_t i = 0; i < header->e_shnum; ++i) {
        const auto symbols = section(i);
        if (!symbols || symbols->sh_type != SHT_DYNSYM) continue;
        const auto names = section(symbols->sh_link);
        if (!names) noResources();
        for (std::uint64_t at = 0; at + sizeof(ElfW(Sym)) <= symbols->sh_size; at += sizeof(ElfW(Sym))) {
            const auto symbol = bytes.read<ElfW(Sym)>(symbols->sh_offset + at);
            if (!symbol || symbol->st_shndx == SHN_UNDEF || symbol->st_name >= names->sh_size) continue;
            char name[sizeof kTableSymbol] = {};
            bytes.readInto(names->sh_offset + symbol->st_name, name, sizeof name);
            if (std::string_view(name, sizeof name) != std::string_view(kTableSymbol, sizeof kTableSymbol)) continue;
            const auto home = section(symbol->st_shndx);
            if (!home || home->sh_type == SHT_NOBITS || symbol->st_value < home->sh_addr ||
                symbol->st_value - home->sh_addr >= home->sh_size)
                noResources();
            return home->sh_offset + (symbol->st_value - home->sh_addr);
        }
    }
    noResources();
}

}  // namespace

std::vector<BYTE> versionBlockOfFile(const std::filesystem::path& file) {
    FileBytes bytes(file);
    const std::uint64_t table = tableOffset(bytes);
    const auto header = bytes.read<TableHeader>(table);
    if (!header || header->magic != kTableMagic || header->version != kTableVersion ||
        header->count > (std::uint64_t{1} << 32) || !bytes.holds(table + sizeof(TableHeader), header->count * sizeof(TableEntry)))
        noResources();
    for (std::uint64_t i = 0; i < header->count; ++i) {
        const std::uint64_t at = table + sizeof(TableHeader) + i * sizeof(TableEntry);
        const auto entry = bytes.read<TableEntry>(at);
        if (!entry || entry->typeName != 0 || entry->typeId != RT_VERSION_ID || entry->name != 0 || entry->nameId != 1)
            continue;
        std::vector<BYTE> block(entry->size);
        const std::int64_t data = static_cast<std::int64_t>(at) + entry->data;
        if (data < 0 || !bytes.readInto(static_cast<std::uint64_t>(data), block.data(), block.size()))
            throw WinError(ERROR_RESOURCE_DATA_NOT_FOUND, "the version resource lies outside the file");
        return block;
    }
    throw WinError(ERROR_RESOURCE_TYPE_NOT_FOUND, "the file carries no version resource");
}

}  // namespace platform::resources
