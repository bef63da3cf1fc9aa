#include "testkit/autostart.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace testkit {

std::vector<std::filesystem::path> autostartEntries() {
    std::vector<std::filesystem::path> entries;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (!config) return entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(config) / "autostart", error))
        if (entry.path().extension() == ".desktop") entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

RunResult launchAtLogon(const std::filesystem::path& entry, const RunOptions& options) {
    return run({"gio", "launch", entry.string()}, options);
}

}  // namespace testkit
