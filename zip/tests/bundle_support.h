// Helpers of the archive class's tests: a fresh folder per test, sample
// contents, peers that test and list what we write, and archives peers write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_bundle.h"

namespace ziptest {

// A fresh PLATFORM_ROOT (the library's temporary files go there) with a
// work folder inside.
class Scratch {
public:
    Scratch();
    const std::filesystem::path& dir() const noexcept { return m_dir; }
    std::filesystem::path file(const std::string& relative) const { return m_dir / relative; }
    std::filesystem::path write(const std::string& relative, const std::string& content) const;
    // Every regular file below the folder, relative path to content.
    std::map<std::string, std::string> files(const std::filesystem::path& folder) const;

private:
    testkit::PlatformRoot m_root;
    std::filesystem::path m_dir;
};

// Reproducible contents: prose-like text, random bytes (incompressible).
std::string textData(std::size_t size, unsigned seed = 1);
std::string randomData(std::size_t size, unsigned seed = 1);

// Names and contents of an archive's files as Python's zipfile reads them
// (names with "/"); the test fails when zipfile cannot read every entry.
std::map<std::string, std::string> pythonContents(const std::filesystem::path& archive, const std::string& password = {});
// Runs a peer and expects exit status 0.
void expectPeerAccepts(const std::vector<std::string>& argv, const std::filesystem::path& cwd);
// Every entry extracted by our library into memory, name (with "\") to bytes.
std::map<std::string, std::string> ourContents(const std::filesystem::path& archive, const std::string& password = {});

// One entry's data extracted into memory; the exception's code, or 0.
int extractFails(CZipBundle& zip, ZIP_INDEX_TYPE index, std::string* data = nullptr);
std::string memoryBytes(CZipMemFile& file);

}  // namespace ziptest
