#include "plugin_scan.h"

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "kyd_plugin/kyd_plugin.h"
#include "platform/paths.h"

namespace {

constexpr std::uintmax_t kMaxPluginFileSize = 64u * 1024 * 1024;

using Bytes = std::vector<char>;

bool InFile(const Bytes& file, std::uint64_t offset, std::uint64_t length) {
    return offset <= file.size() && length <= file.size() - offset;
}

template <class Record>
bool ReadAt(const Bytes& file, std::uint64_t offset, Record& out) {
    if (!InFile(file, offset, sizeof out)) return false;
    std::memcpy(&out, file.data() + offset, sizeof out);
    return true;
}

bool ReadBounded(const std::string& path, Bytes& out) {
    namespace fs = std::filesystem;
    fs::path file;
    try {
        file = platform::paths::fromWindowsAnsi(path);
    } catch (const std::exception&) {
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    const auto size = fs::file_size(file, ec);
    if (ec || size > kMaxPluginFileSize) return false;
    std::ifstream in(file, std::ios::binary);
    out.resize(static_cast<std::size_t>(size));
    // A file that shrank since its size was taken fails the read.
    return in && in.read(out.data(), static_cast<std::streamsize>(out.size()));
}

bool IsSharedObject(const Elf64_Ehdr& header) {
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64 &&
           header.e_ident[EI_DATA] == ELFDATA2LSB && header.e_type == ET_DYN;
}

// Loading maps these ranges of the file; one beyond its end would fault
// when touched.
bool SegmentsInFile(const Bytes& file, const Elf64_Ehdr& header) {
    if (header.e_phentsize != sizeof(Elf64_Phdr)) return false;
    if (!InFile(file, header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr))) return false;
    for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        ReadAt(file, header.e_phoff + i * sizeof segment, segment);
        if (segment.p_type == PT_LOAD && !InFile(file, segment.p_offset, segment.p_filesz)) return false;
    }
    return true;
}

// The string table of the dynamic symbols; empty when there is none.
std::string_view DynamicStrings(const Bytes& file, const Elf64_Ehdr& header) {
    if (header.e_shentsize != sizeof(Elf64_Shdr)) return {};
    if (!InFile(file, header.e_shoff, std::uint64_t{header.e_shnum} * sizeof(Elf64_Shdr))) return {};
    for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section{};
        ReadAt(file, header.e_shoff + i * sizeof section, section);
        if (section.sh_type != SHT_DYNSYM) continue;
        Elf64_Shdr strings{};
        if (section.sh_link >= header.e_shnum ||
            !ReadAt(file, header.e_shoff + std::uint64_t{section.sh_link} * sizeof strings, strings))
            return {};
        if (strings.sh_type != SHT_STRTAB || !InFile(file, strings.sh_offset, strings.sh_size)) return {};
        return {file.data() + strings.sh_offset, static_cast<std::size_t>(strings.sh_size)};
    }
    return {};
}

// Whether the table holds the name as one whole string.
bool HoldsName(std::string_view table, std::string_view name) {
    for (auto at = table.find(name); at != std::string_view::npos; at = table.find(name, at + 1)) {
        const bool starts = at == 0 || table[at - 1] == '\0';
        const bool ends = at + name.size() < table.size() && table[at + name.size()] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

}  // namespace

bool NamesAllPluginEntryPoints(const std::string& path) {
    Bytes file;
    Elf64_Ehdr header{};
    if (!ReadBounded(path, file) || !ReadAt(file, 0, header) || !IsSharedObject(header) ||
        !SegmentsInFile(file, header))
        return false;
    const std::string_view strings = DynamicStrings(file, header);
    return HoldsName(strings, kyd_plugin::kInitName) && HoldsName(strings, kyd_plugin::kCallName) &&
           HoldsName(strings, kyd_plugin::kExitName);
}
