// What the benchmarks that drive COM objects and peer programs share: a
// peer run with its output thrown away, and text arguments of the objects.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "win32/oleauto.h"

namespace bench {

// Runs a program found on PATH with its output thrown away; its exit code,
// -1 when it could not be started or did not exit.
inline int runQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A BSTR argument, freed after the call.
class Text {
public:
    explicit Text(const std::u16string& text) : m_text(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    explicit Text(const std::string& utf8) : Text(platform::text::fromUtf8(utf8)) {}
    explicit Text(const char* utf8) : Text(std::string(utf8)) {}
    ~Text() { SysFreeString(m_text); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace bench
