#include "elf_image.h"

#include <link.h>

#include <cstring>
#include <fstream>

#include "loaded_modules.h"

namespace platform::modules {

bool isLoadableObject(const std::filesystem::path& file) {
    ElfW(Ehdr) header{};
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header)) return false;
    // The running program's own header, mapped at the start of its image, gives what is loadable here.
    const auto* own = reinterpret_cast<const ElfW(Ehdr)*>(mainProgram());
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == own->e_ident[EI_CLASS] && header.e_ident[EI_DATA] == own->e_ident[EI_DATA] &&
           header.e_machine == own->e_machine && header.e_type == ET_DYN;
}

}  // namespace platform::modules
