// Test helpers shared by both builds' tests.
#include "support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/text.h"
#include "zip/zip_exception.h"

namespace ziptest {

#ifdef TESK_ZIP_WIDE
CZipString zipText(std::string_view utf8) { return CZipString(platform::text::fromUtf8(utf8)); }
std::string utf8(const CZipString& text) { return platform::text::toUtf8(text); }
#else
CZipString zipText(std::string_view utf8) { return CZipString(platform::text::utf8ToAnsi(utf8)); }
std::string utf8(const CZipString& text) { return platform::text::ansiToUtf8(text); }
#endif

CZipString zipPath(const std::filesystem::path& path) { return zipText(path.string()); }

testkit::RunResult python(const std::string& script, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd) {
    std::vector<std::string> argv{"/usr/bin/python3", "-c", script};
    argv.insert(argv.end(), args.begin(), args.end());
    testkit::RunOptions options;
    options.cwd = cwd;
    return testkit::run(argv, options);
}

void expectSuccess(const testkit::RunResult& result, const std::string& what) {
    EXPECT_EQ(0, result.exitCode) << what << "\n" << result.out << result.err;
}

std::string le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(static_cast<std::uint16_t>(v)) + le16(static_cast<std::uint16_t>(v >> 16)); }
std::string le64(std::uint64_t v) { return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32)); }

std::uint32_t crc32Of(std::string_view data) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string extraRecord(std::uint16_t id, const std::string& data) {
    return le16(id) + le16(static_cast<std::uint16_t>(data.size())) + data;
}

std::string buildArchive(const std::vector<RawEntry>& entries, const std::string& comment,
                         const std::vector<std::size_t>& centralOrder) {
    constexpr std::uint16_t time = 0x6000, date = 0x5821;  // 2024-01-01 12:00
    std::string archive;
    std::vector<std::string> centrals;
    for (const RawEntry& e : entries) {
        const std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
        const std::string common = le16(e.flags) + le16(0) + le16(time) + le16(date) + le32(crc32Of(e.data)) +
                                   le32(static_cast<std::uint32_t>(e.data.size())) +
                                   le32(static_cast<std::uint32_t>(e.data.size())) +
                                   le16(static_cast<std::uint16_t>(e.name.size()));
        archive += "PK\x03\x04" + le16(20) + common + le16(0) + e.name + e.data;
        centrals.push_back("PK\x01\x02" + le16(static_cast<std::uint16_t>(e.host << 8 | 20)) + le16(20) + common +
                           le16(static_cast<std::uint16_t>(e.centralExtra.size())) +
                           le16(static_cast<std::uint16_t>(e.comment.size())) + le16(0) + le16(0) +
                           le32(e.externalAttributes) + le32(offset) + e.name + e.centralExtra + e.comment);
    }
    const std::uint32_t directoryAt = static_cast<std::uint32_t>(archive.size());
    std::vector<std::size_t> order = centralOrder;
    if (order.empty())
        for (std::size_t i = 0; i < entries.size(); ++i) order.push_back(i);
    for (std::size_t i : order) archive += centrals[i];
    const auto count = static_cast<std::uint16_t>(entries.size());
    archive += "PK\x05\x06" + le16(0) + le16(0) + le16(count) + le16(count) +
               le32(static_cast<std::uint32_t>(archive.size()) - directoryAt) + le32(directoryAt) +
               le16(static_cast<std::uint16_t>(comment.size())) + comment;
    return archive;
}

OpenedArchive::OpenedArchive(const std::filesystem::path& path, int mode, bool exhaustive) {
    m_storage.Open(zipPath(path), mode, 0);
    m_dir.Read(exhaustive);
}

OpenedArchive::OpenedArchive(const std::string& bytes, bool exhaustive) : m_bytes(bytes) {
    m_memory.UseBuffer(m_bytes.data(), static_cast<std::uint32_t>(m_bytes.size()));
    m_storage.Open(m_memory, CZipStorage::zipOpenReadOnly);
    m_dir.Read(exhaustive);
}

OpenedArchive::~OpenedArchive() {
    m_dir.Clear();
    m_storage.Close(false);
}

std::string OpenedArchive::storedData(ZIP_INDEX_TYPE i) {
    m_dir.OpenEntry(i);
    std::string data(m_dir[i]->m_uComprSize, '\0');
    if (!data.empty()) m_storage.Read(data.data(), static_cast<std::uint32_t>(data.size()), false);
    return data;
}

int openFails(const std::filesystem::path& path) {
    try {
        OpenedArchive archive(path, CZipStorage::zipOpenReadOnly, true);
        for (ZIP_INDEX_TYPE i = 0; i < archive.count(); ++i) archive.storedData(i);
    } catch (const CZipException& e) {
        return e.GetCode();
    }
    return 0;
}

int openFails(const std::string& bytes) {
    try {
        OpenedArchive archive(bytes, true);
        for (ZIP_INDEX_TYPE i = 0; i < archive.count(); ++i) archive.storedData(i);
    } catch (const CZipException& e) {
        return e.GetCode();
    }
    return 0;
}

}  // namespace ziptest
