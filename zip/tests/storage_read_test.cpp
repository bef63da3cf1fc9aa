// Volume names of split archives, reads across volumes, the open modes on
// a caller's file object, and the coalescing of progress reports.
#include <gtest/gtest.h>

#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"
#include "zip/zip_progress.h"

using namespace ziptest;

TEST(SplitNames, RegularVolumesAreNumberedLikeZipDoes) {
    CZipRegularSplitNamesHandler names;
    const CZipString archive = zipText("C:\\backup\\a.zip");
    names.Initialize(archive);
    EXPECT_EQ("C:\\backup\\a.z01", utf8(names.GetVolumeName(archive, 1, 0)));
    EXPECT_EQ("C:\\backup\\a.z99", utf8(names.GetVolumeName(archive, 99, 0)));
    EXPECT_EQ("C:\\backup\\a.z100", utf8(names.GetVolumeName(archive, 100, 0)));
    EXPECT_EQ("C:\\backup\\a.zip", utf8(names.GetVolumeName(archive, 7, CZipSplitNamesHandler::flLast)));
    EXPECT_EQ(0u, names.GetVolumeNumber(zipText("a.z05")));
}

TEST(SplitNames, BinaryVolumesAppendOrReplaceTheirNumber) {
    const CZipBinSplitNamesHandler names;
    EXPECT_EQ("a.zip.007", utf8(names.GetVolumeName(zipText("a.zip"), 7, 0)));
    EXPECT_EQ("a.zip.1000", utf8(names.GetVolumeName(zipText("a.zip"), 1000, 0)));
    EXPECT_EQ("a.zip.002", utf8(names.GetVolumeName(zipText("a.zip.005"), 2, CZipSplitNamesHandler::flExisting)));
    EXPECT_EQ(3u, names.GetVolumeNumber(zipText("a.zip.003")));
    EXPECT_EQ(0u, names.GetVolumeNumber(zipText("a.zip.01")));
    EXPECT_EQ(0u, names.GetVolumeNumber(zipText("a.zip.000")));
    EXPECT_EQ(0u, names.GetVolumeNumber(zipText("a.zip.99999999999")));
}

TEST(Storage, ReadsStopAtTheEndOfAPlainArchive) {
    std::string bytes = buildArchive({{.name = "x", .data = "y"}});
    CZipMemFile file;
    file.UseBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CZipStorage storage;
    storage.Open(file, CZipStorage::zipOpenReadOnly);
    char buffer[8];
    file.Seek(-4, CZipAbstractFile::end);
    EXPECT_EQ(101, zipErrorOf([&] { storage.Read(buffer, 8, false); }));
    EXPECT_EQ(101, zipErrorOf([&] { storage.Read(buffer, 1, false); }));
}

TEST(Storage, ACallersFileIsEmptiedOnlyWhenCreated) {
    for (auto [mode, kept] : {std::pair{int{CZipStorage::zipOpen}, true}, {int{CZipStorage::zipOpenReadOnly}, true},
                              {int{CZipStorage::zipCreate}, !kZipWrites}, {int{CZipStorage::zipCreateAppend}, true}}) {
        CZipMemFile file;
        file.Write("content", 7);
        CZipStorage storage;
        const int code = zipErrorOf([&] { storage.Open(file, mode); });
        if (!kZipWrites && (mode & CZipStorage::zipCreate)) {
            EXPECT_EQ(100, code);  // the reading build creates no archives
            continue;
        }
        EXPECT_EQ(0, code);
        EXPECT_EQ(mode == CZipStorage::zipOpenReadOnly, storage.IsReadOnly());
        storage.Close(false);
        EXPECT_EQ(kept ? 7u : 0u, file.GetLength()) << mode;
        EXPECT_FALSE(file.IsClosed());
    }
}

TEST(Storage, AtOnceReadsStayInOneSplitVolumeButNotInABinarySplit) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    testkit::PlatformRoot root;
    std::string data;
    for (long long i = 0; data.size() < 120000; ++i) data += std::to_string(i * 7919 % 10007);
    root.write("data.bin", data);
    expectSuccess(testkit::run({"sh", "-c", "zip -q -s 64k -0 s.zip data.bin && 7z a -tzip -mx0 -v64k b.zip data.bin > /dev/null"},
                               root.path()),
                  "peers split");
    char buffer[64];
    OpenedArchive split(root.path() / "s.zip");
    split.m_storage.ChangeVolume(0);
    split.m_storage.GetFile()->Seek(-10, CZipAbstractFile::end);
    EXPECT_EQ(101, zipErrorOf([&] { split.m_storage.Read(buffer, sizeof buffer, true); }));
    split.m_storage.GetFile()->Seek(-10, CZipAbstractFile::end);
    EXPECT_EQ(64u, split.m_storage.Read(buffer, sizeof buffer, false));
    EXPECT_EQ(1u, split.m_storage.GetCurrentVolume());

    OpenedArchive binary(root.path() / "b.zip.002", CZipStorage::zipOpenReadOnly | CZipStorage::zipModeBinSplit);
    binary.m_storage.SeekInArchive(0, 65536 - 10);
    EXPECT_EQ(64u, binary.m_storage.Read(buffer, sizeof buffer, true));
    EXPECT_EQ(1u, binary.m_storage.GetCurrentVolume());
    EXPECT_EQ(65536u + 54u, binary.m_storage.GetPosition());
}

TEST(Progress, StepReportsAreGatheredIntoOneCall) {
    struct Recorder : CZipProgressCallback {
        bool Report(ZIP_SIZE_TYPE progress) override {
            reports.push_back(progress);
            return true;
        }
        std::vector<ZIP_SIZE_TYPE> reports;
    } callback;
    callback.m_iStep = 10;
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(callback.StepProgress(5));
    EXPECT_TRUE(callback.reports.empty());
    callback.StepProgress(5);
    EXPECT_EQ(std::vector<ZIP_SIZE_TYPE>{50}, callback.reports);
    callback.LastProgress(0);
    EXPECT_EQ(1u, callback.reports.size());
    callback.StepProgress(3);
    callback.LastProgress(4);
    EXPECT_EQ(7u, callback.reports.back());

    callback.m_iStep = 1;
    callback.StepProgress(0);
    callback.StepProgress(2);
    EXPECT_EQ((std::vector<ZIP_SIZE_TYPE>{50, 7, 2}), callback.reports);

    CZipCallbackMap map;
    map.SetForAdding(&callback);
    EXPECT_EQ(&callback, map.Find(0x1001));
    EXPECT_EQ(0x1001, callback.m_iType);
    EXPECT_EQ(nullptr, map.Find(CZipProgressCallback::cbExtract));
    map.SetForAdding(nullptr);
    EXPECT_EQ(nullptr, map.Find(CZipProgressCallback::cbAdd));
}
