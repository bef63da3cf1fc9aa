// Helpers of the container's tests: a fresh folder on a fresh emulated
// machine, a fixed UTC clock, byte contents, and Python's zipfile as the
// other writer and reader (tests/kyd_peer.py).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "kyd/file_kyd.h"
#include "testkit/platform_root.h"
#include "win32/types.h"

namespace kydtest {

using Bytes = std::vector<BYTE>;

class Scratch {
public:
    Scratch();
    const std::filesystem::path& dir() const noexcept { return m_dir; }
    std::filesystem::path file(const std::string& relative) const { return m_dir / relative; }
    std::filesystem::path write(const std::string& relative, const Bytes& content) const;
    // Every regular file below the scratch folder's root, relative paths.
    std::vector<std::string> allFiles() const;

private:
    testkit::PlatformRoot m_root;
    std::filesystem::path m_dir;
};

// The layer's clock fixed at a UTC time for the life of the object.
class FixedUtc {
public:
    FixedUtc(int year, int month, int day, int hour, int minute, int second);
    ~FixedUtc();
    FixedUtc(const FixedUtc&) = delete;
    FixedUtc& operator=(const FixedUtc&) = delete;
};

// Reproducible contents: text-like (compressible) or random.
Bytes textBytes(std::size_t size, unsigned seed = 1);
Bytes randomBytes(std::size_t size, unsigned seed = 1);
Bytes fileBytes(const std::filesystem::path& file);

// The ANSI text of a Linux path, as TFileKyd takes it.
std::string ansi(const std::filesystem::path& path);

// Python's zipfile: writes the entries (names with "/") in order, then,
// when told how (crc, encrypt, understate, overstate, truncate), damages
// the first; lists "name\tmethod" lines.
void pythonWrite(const std::filesystem::path& archive, const std::vector<std::pair<std::string, Bytes>>& entries,
                 const Scratch& scratch, const std::string& damage = {});
std::vector<std::string> pythonList(const std::filesystem::path& archive);

// Runs a peer and expects exit status 0 (skips or fails when it is missing).
void expectPeerAccepts(const std::vector<std::string>& argv);

}  // namespace kydtest
