#include "testkit/platform_root.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace testkit {

std::filesystem::path makeTemporaryFolder(std::string_view prefix) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp && *tmp ? tmp : "/tmp";
    std::string pattern = folder + "/" + std::string(prefix) + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder in the temporary folder " + folder + " (TMPDIR): " +
                                 std::strerror(errno));
    return pattern;
}

PlatformRoot::PlatformRoot() : m_path(makeTemporaryFolder("tesk-root")) {
    if (const char* prev = std::getenv("PLATFORM_ROOT")) m_previous = prev;
    setenv("PLATFORM_ROOT", m_path.c_str(), 1);
    if (const char* prev = std::getenv("XDG_CONFIG_HOME")) m_previousConfig = prev;
    setenv("XDG_CONFIG_HOME", (m_path / "config").c_str(), 1);
}

PlatformRoot::~PlatformRoot() {
    if (m_previous)
        setenv("PLATFORM_ROOT", m_previous->c_str(), 1);
    else
        unsetenv("PLATFORM_ROOT");
    if (m_previousConfig)
        setenv("XDG_CONFIG_HOME", m_previousConfig->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (!std::getenv("TESTKIT_KEEP")) {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
}

std::filesystem::path PlatformRoot::write(std::string_view relative, std::string_view content) const {
    const auto file = m_path / relative;
    writeFile(file, content);
    return file;
}

std::string PlatformRoot::read(std::string_view relative) const { return readFile(m_path / relative); }

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& file, std::string_view content) {
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + file.string());
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("write failed for " + file.string());
}

}  // namespace testkit
