// A fresh emulated machine for one test: a temporary folder that becomes
// PLATFORM_ROOT for the life of the object, removed afterwards (kept when
// TESTKIT_KEEP is set, for looking at after a failure). Its "config" folder
// is the user's XDG_CONFIG_HOME meanwhile, so what the layer leaves for the
// desktop (autostart entries) stays inside it too.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace testkit {

class PlatformRoot {
public:
    PlatformRoot();
    ~PlatformRoot();
    PlatformRoot(const PlatformRoot&) = delete;
    PlatformRoot& operator=(const PlatformRoot&) = delete;

    const std::filesystem::path& path() const noexcept { return m_path; }
    // Writes a file under the root (folders created) and returns its path.
    std::filesystem::path write(std::string_view relative, std::string_view content) const;
    std::string read(std::string_view relative) const;

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_previous;
    std::optional<std::string> m_previousConfig;
};

// A new folder "<prefix>-XXXXXX" in the temporary folder ($TMPDIR, else
// /tmp); std::runtime_error naming that folder and the system's reason
// when it cannot be made.
std::filesystem::path makeTemporaryFolder(std::string_view prefix);

// Whole file contents, or an exception when it cannot be read.
std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, std::string_view content);

}  // namespace testkit
