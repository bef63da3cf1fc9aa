// ZipSystem over the layer's file, time and code-page functions.
#include "zip/zip_platform.h"

#include <ctime>
#include <vector>

#include "win32/sync.h"
#include "win_calls.h"
#include "zip/zip_path_component.h"

namespace ZipSystem {

namespace {

// FILETIME counts 100 ns from 1601; calendar time seconds from 1970.
constexpr std::int64_t kFileTimeOf1970 = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

// The drive of a path, or on a system without drive letters the path itself.
CZipString deviceOf(const CZipString& path) {
    const CZipString drive = CZipPathComponent(path).GetFileDrive();
    return drive.empty() ? path : drive;
}

bool hasRoom(const CZipString& folder, ZIP_SIZE_TYPE needed) {
    return needed == 0 || FreeSpaceOfDevice(folder) >= needed;
}

}  // namespace

ZIP_SIZE_TYPE FreeSpaceOfDevice(const CZipString& path) {
    CZipString device = deviceOf(path);
    ULARGE_INTEGER free{};
    if (zipwin::getDiskFreeSpace(device.c_str(), &free)) return free.QuadPart;
    CZipPathComponent::AppendSeparator(device);
    if (zipwin::getDiskFreeSpace(device.c_str(), &free)) return free.QuadPart;
    return 0;
}

CZipString MakeTempFileName(const ZIPCHAR* folder, ZIP_SIZE_TYPE needed) {
    CZipString target(folder);
    if (target.empty() || !hasRoom(target, needed)) {
        std::vector<ZIPCHAR> temp(zipwin::getTempPath(0, static_cast<ZIPCHAR*>(nullptr)) + 1, 0);
        const DWORD length = zipwin::getTempPath(static_cast<DWORD>(temp.size()), temp.data());
        if (length == 0 || length >= temp.size()) return {};
        target.assign(temp.data(), length);
        if (!hasRoom(target, needed) && (!CurrentDirectory(target) || !hasRoom(target, needed))) return {};
    }
    ZIPCHAR name[MAX_PATH + 1] = {};
    if (zipwin::getTempFileName(target.c_str(), ZIPTEXT("ZAR"), name) == 0) return {};
    return CZipString(name);
}

bool CurrentDirectory(CZipString& folder) {
    const DWORD size = zipwin::getCurrentDirectory(0, static_cast<ZIPCHAR*>(nullptr));
    if (size == 0) return false;
    std::vector<ZIPCHAR> buffer(size + 1, 0);
    const DWORD length = zipwin::getCurrentDirectory(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return false;
    folder.assign(buffer.data(), length);
    return true;
}

bool FileModificationTime(const CZipString& path, std::int64_t& time) {
    FILETIME lastWrite{};
    const HANDLE search = zipwin::findFirstFile(path.c_str(), lastWrite);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        const std::int64_t ticks =
            static_cast<std::int64_t>((static_cast<std::uint64_t>(lastWrite.dwHighDateTime) << 32) |
                                      lastWrite.dwLowDateTime);
        if (ticks != 0 && ticks >= kFileTimeOf1970) {
            time = (ticks - kFileTimeOf1970) / kTicksPerSecond;
            return true;
        }
    }
    time = static_cast<std::int64_t>(std::time(nullptr));
    return false;
}

bool SetFileModificationTime(const CZipString& path, std::int64_t time) {
    const HANDLE file = zipwin::createFile(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    const std::uint64_t ticks = static_cast<std::uint64_t>(time * kTicksPerSecond + kFileTimeOf1970);
    const FILETIME lastWrite{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &lastWrite) != FALSE;
    CloseHandle(file);
    return set;
}

bool IsRemovableDrive(const CZipString& path) {
    CZipString root = deviceOf(path);
    CZipPathComponent::AppendSeparator(root);
    return zipwin::getDriveType(root.c_str()) == DRIVE_REMOVABLE;
}

bool SetDriveLabel(const CZipString&, const CZipString&) { return false; }

void ConvertCodePage(CZipAutoBuffer& buffer, bool ansiToOem) {
    const int size = static_cast<int>(buffer.GetSize());
    if (size == 0) return;
    const UINT from = ansiToOem ? CP_ACP : CP_OEMCP;
    const UINT to = ansiToOem ? CP_OEMCP : CP_ACP;
    const int units = MultiByteToWideChar(from, MB_PRECOMPOSED, buffer.GetBuffer(), size, nullptr, 0);
    if (units <= 0) return;
    std::vector<WCHAR> wide(static_cast<std::size_t>(units));
    MultiByteToWideChar(from, MB_PRECOMPOSED, buffer.GetBuffer(), size, wide.data(), units);
    const int bytes = WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    if (bytes != size) buffer.Resize(static_cast<std::uint32_t>(bytes));
    WideCharToMultiByte(to, 0, wide.data(), units, buffer.GetBuffer(), bytes, nullptr, nullptr);
}

}  // namespace ZipSystem
