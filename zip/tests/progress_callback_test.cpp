// Progress callbacks: every operation that starts one finishes it, and a
// callback that asks to stop leaves the archive consistent.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

class Recorder : public CZipProgressCallback {
public:
    explicit Recorder(int stopAfter = -1) : m_stopAfter(stopAfter) {}
    void Start(const CZipString& name, const CZipString&) override { m_events += "start(" + utf8(name) + ")"; }
    void SetTotal(ZIP_SIZE_TYPE total) override { m_events += "total(" + std::to_string(total) + ")"; }
    void Finish() override { m_events += "finish"; }
    bool Report(ZIP_SIZE_TYPE) override { return m_reports++ != m_stopAfter; }

    std::string m_events;
    int m_reports = 0;

private:
    int m_stopAfter;
};

std::filesystem::path archiveOf(const Scratch& scratch, const std::string& content) {
    const auto path = scratch.file("p.zip");
    CZipBundle zip;
    zip.Open(zipPath(path), CZipBundle::zipCreate);
    CZipMemFile memory;
    memory.Write(content.data(), static_cast<std::uint32_t>(content.size()));
    zip.AddNewFile(memory, zipText("big.bin"), -1, 7, 4096);
    zip.AddNewFile(zipPath(scratch.dir()), zipText("folder"));
    zip.Close();
    return path;
}

}  // namespace

TEST(ProgressCallback, StartAndFinishArePaired) {
    Scratch scratch;
    const auto archive = archiveOf(scratch, randomData(20000));
    CZipBundle zip;
    Recorder recorder;
    zip.SetCallback(&recorder, CZipProgressCallback::cbExtract);
    zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
    CZipMemFile memory;
    EXPECT_FALSE(zip.ExtractFile(1, memory));  // a folder cannot go to memory
    EXPECT_EQ("start(folder\\)finish", recorder.m_events);
    recorder.m_events.clear();
    EXPECT_TRUE(zip.ExtractFile(0, memory, true, 8192));
    EXPECT_EQ("start(big.bin)total(20000)finish", recorder.m_events);
    EXPECT_EQ(3, recorder.m_reports);
    zip.Close();
}

TEST(ProgressCallback, StopWhileAddingRemovesTheEntry) {
    Scratch scratch;
    const auto archive = scratch.file("s.zip");
    CZipBundle zip;
    Recorder stopper(2);
    zip.Open(zipPath(archive), CZipBundle::zipCreate);
    CZipMemFile first;
    first.Write("kept", 4);
    ASSERT_TRUE(zip.AddNewFile(first, zipText("kept.txt")));
    zip.SetCallback(&stopper, CZipProgressCallback::cbAdd);
    const std::string content = textData(100000);
    CZipMemFile memory;
    memory.Write(content.data(), static_cast<std::uint32_t>(content.size()));
    EXPECT_EQ(CZipException::stoppedSafely, zipErrorOf([&] { zip.AddNewFile(memory, zipText("stopped.txt"), -1, 7, 4096); }));
    EXPECT_EQ("start(stopped.txt)total(100000)finish", stopper.m_events);
    EXPECT_EQ(1u, zip.GetCount());
    zip.Close();
    EXPECT_EQ((std::map<std::string, std::string>{{"kept.txt", "kept"}}), pythonContents(archive));
}

TEST(ProgressCallback, StopWhileExtractingLeavesNothing) {
    Scratch scratch;
    const auto archive = archiveOf(scratch, randomData(50000));
    CZipBundle zip;
    Recorder stopper(1);
    zip.SetCallback(&stopper, CZipProgressCallback::cbExtract);
    zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
    CZipMemFile memory;
    EXPECT_EQ(CZipException::stoppedIncomplete, zipErrorOf([&] { zip.ExtractFile(0, memory, true, 4096); }));
    EXPECT_EQ(0u, memory.GetLength());
    stopper.m_reports = 0;
    EXPECT_EQ(CZipException::stoppedIncomplete,
              zipErrorOf([&] { zip.ExtractFile(0, zipPath(scratch.file("t")), false, nullptr, 4096); }));
    EXPECT_TRUE(scratch.files(scratch.file("t")).empty());
    zip.Close();
}
