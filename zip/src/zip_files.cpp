// The storage's two file-system functions.
#include "win_calls.h"
#include "zip/zip_file.h"
#include "zip/zip_path_component.h"
#include "zip/zip_platform.h"

namespace ZipSystem {

// Trailing separators of both kinds go first: on Linux "/" separates too,
// and a directory part ending in one would otherwise look like a root.
bool ForceDirectory(const CZipString& path) {
    CZipString folder(path);
    CZipPathComponent::RemoveSeparators(folder);
    const CZipString parent = CZipPathComponent(folder).GetFilePath();
    if (folder == parent) return true;
    const DWORD attributes = zipwin::getFileAttributes(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (!ForceDirectory(parent)) return false;
    return zipwin::createDirectory(folder.c_str()) != FALSE;
}

bool GetFileLength(const CZipString& path, ZIP_SIZE_TYPE& length) {
    CZipFile file;
    if (!file.Open(path, CZipFile::modeRead | CZipFile::shareDenyWrite, false)) return false;
    length = file.GetLength();
    file.Close();
    return true;
}

}  // namespace ZipSystem
