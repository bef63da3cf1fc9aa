// tornil: the upgrade process, started by the upgrade client with
// "RunUpdate", or with "Rollback" from the RunOnce value at the next logon.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "upgrade_runs.h"
#include "win32/process.h"

namespace {

// The arguments only: words in the program's own path do not count.
bool hasArgument(const std::vector<std::u16string>& arguments, const std::u16string& word) {
    for (const auto& argument : arguments)
        if (argument == word) return true;
    return false;
}

}  // namespace

int main() {
    const auto line = platform::commandLine::splitProgram(GetCommandLineW());
    const auto arguments = platform::commandLine::split(line.arguments);
    if (hasArgument(arguments, u"RunUpdate")) return tornil::RunUpdate();
    if (hasArgument(arguments, u"Rollback")) return tornil::RunRollback();
    std::printf(
        "Neznamy prikaz. Tato aplikace je soucasti reseni pro automatickou aktualizaci aplikaci Tesk a neni urcena "
        "pro samostatne spousteni.\n");
    return -1;
}
