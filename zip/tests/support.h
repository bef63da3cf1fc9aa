// Shared helpers of the ZIP library's tests: text in the build's character
// type, peers, hand-made archives, an archive opened for reading and the
// code of the library's exception.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "testkit/process.h"
#include "zip/zip_central_dir.h"
#include "zip/zip_exception.h"
#include "zip/zip_mem_file.h"
#include "zip/zip_storage.h"

namespace ziptest {

// UTF-8 to the library's text (ANSI, or UTF-16 in the wide build) and back.
CZipString zipText(std::string_view utf8);
std::string utf8(const CZipString& text);
CZipString zipPath(const std::filesystem::path& path);

// Runs Debian's Python (zipfile is the peer) on a script with arguments.
testkit::RunResult python(const std::string& script, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd);
// Fails the test with the peer's output unless it exited with 0.
void expectSuccess(const testkit::RunResult& result, const std::string& what);

// One entry of a hand-made archive; data are stored.
struct RawEntry {
    std::string name;
    std::string data;
    std::uint8_t host = 0;
    std::uint16_t flags = 0;
    std::string centralExtra;
    std::string comment;
    std::uint32_t externalAttributes = 0;
};
// Local headers and data, then the central directory in the given order,
// then the end record; prefix goes in front of everything.
std::string buildArchive(const std::vector<RawEntry>& entries, const std::string& comment = {},
                         const std::vector<std::size_t>& centralOrder = {});
std::string extraRecord(std::uint16_t id, const std::string& data);
std::string le16(std::uint16_t v);
std::string le32(std::uint32_t v);
std::string le64(std::uint64_t v);
std::uint32_t crc32Of(std::string_view data);

// An archive opened read-only through the storage and its central directory.
class OpenedArchive {
public:
    explicit OpenedArchive(const std::filesystem::path& path, int mode = CZipStorage::zipOpenReadOnly,
                           bool exhaustive = false);
    // Over bytes in memory, as the upgrade client opens a downloaded archive.
    explicit OpenedArchive(const std::string& bytes, bool exhaustive = false);
    ~OpenedArchive();

    ZIP_INDEX_TYPE count() const { return m_dir.GetCount(); }
    CZipFileHeader& entry(ZIP_INDEX_TYPE i) const { return *m_dir[i]; }
    std::string name(ZIP_INDEX_TYPE i) const { return utf8(m_dir[i]->GetFileName(false)); }
    // The entry's stored bytes, read after its local header was checked.
    std::string storedData(ZIP_INDEX_TYPE i);

    CZipStorage m_storage;
    CZipCentralDir m_dir{m_storage};

private:
    std::string m_bytes;
    CZipMemFile m_memory;
};

// Archives read from their path without failing the test.
int openFails(const std::filesystem::path& path);  // the exception code, or 0 when it opened
int openFails(const std::string& bytes);

// Runs body and gives the code of the CZipException it throws, or 0.
template <class Body>
int zipErrorOf(Body&& body) {
    try {
        body();
    } catch (const CZipException& e) {
        return e.GetCode();
    }
    return 0;
}

}  // namespace ziptest
