// The installed program folder as an update list, and the merge of the
// server's list with it and with the system folder.
#pragma once

#include <string>

#include "lumvar/config.h"
#include "lumvar/update_list.h"

namespace lumvar {

// Appends every file and folder below root + relative (walked recursively)
// as records of the program folder in state "remove", with paths relative
// to root. kOk, kProgramPathTooLong (a folder path over 257 characters),
// kProgramFolderMissing or kFolderWalk.
int GenerateUpdateFileList(const std::u16string& root, const std::u16string& relative, UpdateList& list);

// Sets the server's list (states "new" and "don't touch") against the
// installed program folder (config's ProgramPath) and the system folder and
// stores the result, sorted, in out. Below a folder the server marks
// "don't touch" nothing installed is listed; a file pair of which one is
// marked is dropped. Files on both sides are compared by digest ("keep" or
// "replace" with the server's digest and size); a server file meant for the
// system folder that is there already is compared the same way. kOk,
// kNullArgument (no server list), kSystemFolder, or the code of the walk or
// of a digest that failed (out is then unchanged).
int GenerateUpdateList(const Config& config, const UpdateList* server, UpdateList& out);

}  // namespace lumvar
