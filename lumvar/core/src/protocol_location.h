// Location codes as the update server's documents name them.
#pragma once

#include <cstdint>
#include <string_view>

#include "lumvar/update_list.h"

namespace lumvar {

inline const char* LocationText(std::int32_t location) {
    switch (location) {
    case ProgramFolder: return "program_folder";
    case SystemFolder: return "system_folder";
    case SystemFolderCom: return "system_folder_com";
    default: return "unknown";
    }
}

// 0 for a text that names no location.
inline std::int32_t LocationCode(std::string_view text) {
    if (text == "program_folder") return ProgramFolder;
    if (text == "system_folder") return SystemFolder;
    if (text == "system_folder_com") return SystemFolderCom;
    return 0;
}

}  // namespace lumvar
