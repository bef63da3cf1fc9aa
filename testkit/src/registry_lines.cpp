#include "testkit/registry_lines.h"

#include "platform/text.h"

namespace testkit {

namespace {

void collect(HKEY root, const std::u16string& path, std::set<std::string>& lines) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0;
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    if (subkeys == 0 && values == 0) lines.insert(platform::text::toUtf8(path));
    for (DWORD i = 0; i < values; ++i) {
        WCHAR name[256];
        DWORD nameLength = 256;
        WCHAR data[1024] = {};
        DWORD dataSize = sizeof data - sizeof(WCHAR);
        DWORD type = REG_NONE;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) !=
            ERROR_SUCCESS)
            continue;
        const std::u16string text =
            type == REG_SZ ? std::u16string(data) : u"type " + platform::text::fromUtf8(std::to_string(type));
        lines.insert(platform::text::toUtf8(path + u" [" + std::u16string(name, nameLength) + u"] = " + text));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        WCHAR name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            collect(root, (path.empty() ? u"" : path + u"\\") + std::u16string(name, nameLength), lines);
    }
    RegCloseKey(key);
}

}  // namespace

std::set<std::string> registryLines(HKEY root, const std::u16string& path) {
    std::set<std::string> lines;
    collect(root, path, lines);
    return lines;
}

}  // namespace testkit
