// The update list: what an update does with each file and folder. The
// server's file list has the same shape.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumvar/sha1_hash.h"

namespace lumvar {

// Where a record belongs.
enum Location : std::int32_t { ProgramFolder = 1, SystemFolder = 2, SystemFolderCom = 3 };

enum State : std::int32_t {
    StateNew = 1,        // only on the server: fetch and install, or create the folder
    StateRemove = 2,     // only installed: delete
    StateReplace = 3,    // on both sides with different content: fetch and install
    StateKeep = 4,       // identical, or a system file already as the server has it
    StateDontTouch = 5,  // the server's DontTouch flag
};

struct FileRecord {
    std::int32_t location = ProgramFolder;
    std::u16string path;  // relative, "\" between parts, no leading separator
    Sha1Hash digest;
    std::int32_t state = StateNew;
    std::uint32_t size = 0;  // bytes, as the server announces
};

struct DirRecord {
    std::int32_t location = ProgramFolder;
    std::u16string path;
    std::int32_t state = StateNew;
};

struct UpdateList {
    std::vector<FileRecord> files;
    std::vector<DirRecord> dirs;
};

}  // namespace lumvar
