// runonce: what a logon does with the user's RunOnce key. Every value of
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce is
// taken in the key's order: the value is deleted, then its command runs
// and is waited for, so a command that is interrupted never runs twice.
// The command is a program (quoted when its path holds blanks) and its
// arguments, split by the Windows command-line rules. Exit code 0 when
// every command started and ended with 0; 1 otherwise (the remaining
// values still run). A missing key is nothing to run.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/process.h"
#include "win32/registry.h"
#include "win32/shell.h"
#include "win32/sync.h"

namespace {

constexpr char16_t kRunOnceKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

struct Entry {
    std::u16string name;
    std::u16string command;
};

std::vector<Entry> readEntries(HKEY key) {
    std::vector<Entry> entries;
    for (DWORD index = 0;; ++index) {
        WCHAR name[16384];
        DWORD nameLength = sizeof name / sizeof name[0];
        DWORD type = 0;
        DWORD size = 0;
        LONG status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        if (type != REG_SZ) continue;  // no command text: left as it is
        std::u16string data(size / sizeof(WCHAR) + 1, u'\0');
        size = static_cast<DWORD>(data.size() * sizeof(WCHAR));
        status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status != ERROR_SUCCESS) continue;
        data.resize(data.find(u'\0') == std::u16string::npos ? data.size() : data.find(u'\0'));
        entries.push_back({std::u16string(name, nameLength), data});
    }
    return entries;
}

// Runs the command and waits for it; true when it started and ended with 0.
bool run(const std::u16string& command) {
    const auto [program, arguments] = platform::commandLine::splitProgram(command);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        std::fprintf(stderr, "runonce: cannot start %s (error %u)\n", platform::text::toUtf8(program).c_str(),
                     static_cast<unsigned>(GetLastError()));
        return false;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return code == 0;
}

}  // namespace

int main() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        // No key: nothing to run.
        return 0;
    }
    const std::vector<Entry> entries = readEntries(key);
    int result = 0;
    for (const Entry& entry : entries) {
        if (RegDeleteValueW(key, entry.name.c_str()) != ERROR_SUCCESS) {
            std::fprintf(stderr, "runonce: cannot delete the value %s; its command is not run\n",
                         platform::text::toUtf8(entry.name).c_str());
            result = 1;
            continue;
        }
        if (!run(entry.command)) result = 1;
    }
    RegCloseKey(key);
    return result;
}
