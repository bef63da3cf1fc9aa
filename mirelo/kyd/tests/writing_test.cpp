// Containers written in the signing order and extended: the names, the
// order and the method peers see, and the names the container refuses.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "kyd_support.h"
#include "testkit/process.h"
#include "win32/error.h"

using namespace kydtest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kWrittenFolder = "D20261207211554Z";

std::string entry(const std::string& below) { return std::string(kWrittenFolder) + "/" + below + "\t8"; }

// The number an operation returned and the thread's last error after it.
std::string outcome(int number) { return std::to_string(number) + " " + std::to_string(GetLastError()); }

}  // namespace

TEST(KydWriting, SigningOrderGivesTheFourDeflatedEntriesPeersAccept) {
    Scratch scratch;
    FixedUtc clock(2026, 12, 7, 21, 15, 54);
    const Bytes message = textBytes(20000);
    const Bytes signature = randomBytes(1500, 2);
    const Bytes policy = randomBytes(400, 3);
    const fs::path annex = scratch.write("in/annex.pdf", textBytes(9000, 4));
    const fs::path container = scratch.file("out/request.kyd");
    fs::create_directories(container.parent_path());

    TFileKyd kyd;
    ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openCreate));
    EXPECT_EQ(std::string(kWrittenFolder) + "\\M20261207211554Z.eml", kyd.MakeEntryName(kydMessage, true));
    ASSERT_EQ(kydOk, kyd.AddMessage(message));
    ASSERT_EQ(kydOk, kyd.AddSignature(signature));
    ASSERT_EQ(kydOk, kyd.AddPolicy(policy));
    ASSERT_EQ(kydOk, kyd.AddOtherFile(ansi(annex)));
    EXPECT_FALSE(fs::exists(container)) << "the container appears only when it is complete";
    ASSERT_EQ(kydOk, kyd.Close(false));

    EXPECT_EQ((std::vector<std::string>{entry("M20261207211554Z.eml"), entry("S20261207211554Z.p7s"),
                                        entry("Policy/P20261207211554Z.der"), entry("Other/annex.pdf")}),
              pythonList(container));
    expectPeerAccepts({"unzip", "-tq", container.string()});
    expectPeerAccepts({"7z", "t", container.string()});
    EXPECT_EQ((std::vector<std::string>{"work/in/annex.pdf", "work/out/request.kyd"}), [&] {
        auto files = scratch.allFiles();
        std::erase_if(files, [](const std::string& f) { return f.rfind("work/", 0) != 0; });
        std::sort(files.begin(), files.end());
        return files;
    }()) << "no temporary file is left beside the container";

    // A second signer in the same second, with a policy that differs by one
    // byte; the same policy again adds nothing (the signer compares first).
    ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openUpdate));
    ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(1500, 5)));
    Bytes otherPolicy = policy;
    otherPolicy.back() ^= 1;
    ASSERT_EQ(kydOk, kyd.AddPolicy(otherPolicy));
    EXPECT_EQ(kydDuplicate, kyd.AddMessage(message)) << "a second message would make the container unreadable";
    ASSERT_EQ(kydOk, kyd.Close(false));

    ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openReadOnly));
    ASSERT_EQ(2, kyd.GetSignatureCount());
    std::string name;
    ASSERT_EQ(kydOk, kyd.GetSignatureEntryName(1, name));
    EXPECT_EQ(std::string(kWrittenFolder) + "\\S20261207211554Z_1.p7s", name);
    Bytes read;
    ASSERT_EQ(kydOk, kyd.ReadSignature(1, read));
    EXPECT_EQ(randomBytes(1500, 5), read);
    EXPECT_EQ(kydEmptyArgument, kyd.ReadSignature(2, read));
    ASSERT_EQ(2, kyd.GetPolicyCount());
    read.clear();
    ASSERT_EQ(kydOk, kyd.ReadPolicy(1, read));
    EXPECT_EQ(otherPolicy, read);
    read.clear();
    bool isMessage = false;
    ASSERT_EQ(kydOk, kyd.ReadDocument(read, isMessage));
    EXPECT_TRUE(isMessage);
    EXPECT_EQ(message, read);
    kyd.Close(false);
    expectPeerAccepts({"unzip", "-tq", container.string()});
}

TEST(KydWriting, RefusedArgumentsAndNamesChangeNothing) {
    Scratch scratch;
    FixedUtc clock(2026, 12, 7, 21, 15, 54);
    const fs::path container = scratch.file("c.kyd");
    const fs::path document = scratch.write("in/Report.txt", textBytes(3000));
    // A Linux name with "\" and the name a lossy conversion would make.
    const fs::path backslashed = scratch.write("in/a\\b.txt", textBytes(100));
    scratch.write("in/?.txt", textBytes(100));

    TFileKyd kyd;
    EXPECT_EQ(kydCompressFailed, kyd.AddSignature(randomBytes(100)));
    EXPECT_EQ(kydEmptyArgument, kyd.Open(ansi(container), 0));
    EXPECT_EQ(kydEmptyArgument, kyd.Open(ansi(container), 4));
    EXPECT_TRUE(kyd.GetPath().empty());
    ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openCreate));
    EXPECT_EQ(kydOpenFailed, kyd.Open(ansi(scratch.file("other.kyd")), TFileKyd::openCreate));
    ASSERT_EQ(kydOk, kyd.AddDocumentFile(ansi(document)));
    EXPECT_EQ(kydDuplicate, kyd.AddFile(ansi(document), std::string(kWrittenFolder) + "\\REPORT.TXT"));
    EXPECT_EQ(kydEmptyArgument, kyd.AddBuffer({}, "x.bin"));
    EXPECT_EQ(kydEmptyArgument, kyd.AddOtherFile(ansi(backslashed)));
    EXPECT_EQ(kydCompressFailed, kyd.AddOtherFile(scratch.file("in").u16string() + u"/\u0436.txt"));
    ASSERT_EQ(kydOk, kyd.AddOtherFile(ansi(document)));
    EXPECT_EQ(kydDuplicate, kyd.AddOtherFile(ansi(document)));
    ASSERT_EQ(kydOk, kyd.Close(false));
    const Bytes written = fileBytes(container);
    EXPECT_EQ((std::vector<std::string>{entry("Report.txt"), entry("Other/Report.txt")}), pythonList(container));

    // A failed update (here a duplicate attachment after a new signature)
    // closed after the error leaves the container as it was.
    ASSERT_EQ(kydOk, kyd.Open(container.u16string(), TFileKyd::openUpdate));
    ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(100)));
    ASSERT_EQ(kydDuplicate, kyd.AddOtherFile(ansi(document)));
    kyd.Close(true);
    EXPECT_EQ(written, fileBytes(container));

    // A file one byte beyond what the reader takes is refused before any of
    // it is written; one of exactly that size is written and reads back
    // whole. Sparse files: no disk and little memory spent.
    const fs::path limit = scratch.file("in/limit.iso");
    const fs::path beyond = scratch.file("in/beyond.iso");
    for (const auto& [file, size] : {std::pair{limit, TFileKyd::kEntryLimit}, {beyond, TFileKyd::kEntryLimit + 1}}) {
        testkit::writeFile(file, "");
        fs::resize_file(file, size);
    }
    ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openUpdate));
    EXPECT_EQ(kydCompressFailed, kyd.AddOtherFile(ansi(beyond)));
    kyd.Close(true);
    EXPECT_EQ(written, fileBytes(container));
    const fs::path large = scratch.file("large.kyd");
    ASSERT_EQ(kydOk, kyd.Open(ansi(large), TFileKyd::openCreate));
    ASSERT_EQ(kydOk, kyd.AddDocumentFile(ansi(limit)));
    ASSERT_EQ(kydOk, kyd.Close(false));
    ASSERT_EQ(kydOk, kyd.Open(ansi(large), TFileKyd::openReadOnly));
    fs::create_directories(scratch.file("out"));
    ASSERT_EQ(kydOk, kyd.ExtractDocument(ansi(scratch.file("out")), "limit.iso"));
    kyd.Close(false);
    EXPECT_EQ(TFileKyd::kEntryLimit, fs::file_size(scratch.file("out/limit.iso")));
    fs::remove_all(scratch.file("out"));
    fs::remove(large);
    fs::remove(limit);
    fs::remove(beyond);

    // A container that cannot take the place of its path is reported.
    const fs::path blocked = scratch.file("blocked.kyd");
    ASSERT_EQ(kydOk, kyd.Open(ansi(blocked), TFileKyd::openCreate));
    ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(100)));
    fs::create_directories(blocked / "inside");
    EXPECT_EQ(kydCompressFailed, kyd.Close(false));
    fs::remove_all(blocked);

    // A path ANSI cannot hold names no file, not the "?" a lossy form names.
    scratch.write("?.kyd", written);
    EXPECT_EQ(kydOpenFailed, kyd.Open(scratch.dir().u16string() + u"/\u0436.kyd", TFileKyd::openReadOnly));
    EXPECT_TRUE(kyd.GetPath().empty());
    EXPECT_EQ(kydOpenFailed, kyd.Open(ansi(scratch.file("missing.kyd")), TFileKyd::openUpdate));
    EXPECT_EQ(3u, std::count_if(fs::directory_iterator(scratch.dir()), {}, [](auto&) { return true; }))
        << "in/, c.kyd and ?.kyd only";
}

// A container that cannot be opened or written leaves the system's cause as
// the thread's last error, for the signer to show; a fault of the archive
// itself, or of a name, leaves none, whatever an earlier call left there.
TEST(KydWriting, AFailedOpenOrWriteLeavesTheSystemsCause) {
    Scratch scratch;
    TFileKyd kyd;
    const auto afterDiskFull = [](const std::function<int()>& step) {
        SetLastError(ERROR_DISK_FULL);
        return outcome(step());
    };
    const fs::path text = scratch.write("text.kyd", textBytes(3000));
    EXPECT_EQ("9101 0", afterDiskFull([&] { return kyd.Open(ansi(text), TFileKyd::openReadOnly); }));
    EXPECT_EQ("9101 0", afterDiskFull([&] { return kyd.Open(scratch.dir().u16string() + u"/\u0436.kyd", TFileKyd::openCreate); }));
    EXPECT_EQ("9101 " + std::to_string(ERROR_FILE_NOT_FOUND),
              afterDiskFull([&] { return kyd.Open(ansi(scratch.file("missing.kyd")), TFileKyd::openUpdate); }));

    // A folder in the container's place when it is to be put there.
    const fs::path blocked = scratch.file("blocked.kyd");
    ASSERT_EQ(kydOk, kyd.Open(ansi(blocked), TFileKyd::openCreate));
    ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(100)));
    fs::create_directories(blocked / "inside");
    EXPECT_EQ("9102 " + std::to_string(ERROR_ACCESS_DENIED), afterDiskFull([&] { return kyd.Close(false); }));

    // A read-only folder: nothing can be created in it nor a container in
    // it updated.
    const fs::path readOnly = scratch.file("read-only");
    fs::create_directories(readOnly);
    const fs::path kept = readOnly / "kept.kyd";
    ASSERT_EQ(kydOk, kyd.Open(ansi(kept), TFileKyd::openCreate));
    ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(100)));
    ASSERT_EQ(kydOk, kyd.Close(false));
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string said = testkit::runAsAnyUser([&] {
        TFileKyd inChild;
        return afterDiskFull([&] { return inChild.Open(ansi(readOnly / "new.kyd"), TFileKyd::openCreate); }) + ", " +
               afterDiskFull([&] { return inChild.Open(ansi(kept), TFileKyd::openUpdate); });
    });
    fs::permissions(readOnly, fs::perms::owner_all);
    const std::string denied = "9101 " + std::to_string(ERROR_ACCESS_DENIED);
    EXPECT_EQ(denied + ", " + denied, said);
}
