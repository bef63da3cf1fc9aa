// The upgrade client's road, built against either library: an archive that
// arrived in memory is opened read-only on a memory file laid over the
// bytes, its entries are listed by name and extracted into memory, and a
// damaged archive is refused with CZipException; the bytes stay the caller's.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

// Python writes the reply archive: names with folders, one of them in UTF-8.
std::string replyArchive(const Scratch& scratch, const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> args{scratch.file("reply.zip").string()};
    for (const auto& [name, content] : files) {
        scratch.write("content/" + std::to_string(args.size()), content);
        args.push_back(name);
        args.push_back(scratch.file("content/" + std::to_string(args.size() - 1)).string());
    }
    expectSuccess(python("import sys, zipfile\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                         "    for i in range(2, len(sys.argv), 2): z.write(sys.argv[i + 1], sys.argv[i])\n",
                         args, scratch.dir()),
                  "python writes the reply");
    return testkit::readFile(scratch.file("reply.zip"));
}

}  // namespace

TEST(UpdateDownload, MemoryArchiveIsListedAndExtracted) {
    Scratch scratch;
    const std::vector<std::pair<std::string, std::string>> files{
        {"bin/halvex.exe", randomData(120000, 12)}, {"libs/dll_conf/mirelo.signed.cfg", textData(4000, 13)},
        {"libs/\xC4\x8Dte\xC5\xA1tina.txt", "k\xC3\xB3" "d"}};
    std::string bytes = replyArchive(scratch, files);
    const std::string original = bytes;

    CZipMemFile archiveFile(1024);
    archiveFile.UseBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(archiveFile, CZipBundle::zipOpenReadOnly));
    ASSERT_EQ(files.size(), zip.GetCount());
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) {
        std::string expectedName = files[i].first;
        std::replace(expectedName.begin(), expectedName.end(), '/', '\\');
        CZipString name = zip.GetFileInfo(i)->GetFileName();
        EXPECT_EQ(zipText(expectedName), name);
        CZipMemFile target(1024);
        ASSERT_TRUE(zip.ExtractFile(i, target, true, 65536));
        EXPECT_EQ(0u, target.GetPosition());
        EXPECT_EQ(files[i].second, memoryBytes(target));
    }
    EXPECT_EQ(nullptr, zip.GetFileInfo(zip.GetCount()));
    zip.Close();
    EXPECT_EQ(original, bytes);
    EXPECT_EQ(original.size(), archiveFile.GetLength());
}

TEST(UpdateDownload, DamagedArchiveThrows) {
    Scratch scratch;
    std::string bytes = replyArchive(scratch, {{"a.txt", textData(3000)}});
    for (const std::size_t cut : {bytes.size() - 30, std::size_t{10}}) {
        std::string damaged = bytes.substr(0, cut);
        CZipMemFile file(1024);
        file.UseBuffer(damaged.data(), static_cast<std::uint32_t>(damaged.size()), 0);
        CZipBundle zip;
        bool thrown = false;
        try {
            zip.Open(file, CZipBundle::zipOpenReadOnly);
            CZipMemFile target;
            zip.ExtractFile(0, target, true, 65536);
        } catch (const std::exception&) {
            thrown = true;
        }
        EXPECT_TRUE(thrown) << cut;
        EXPECT_TRUE(zip.IsClosed() || zip.Close(CZipBundle::closeAfterException).empty());
    }
}
