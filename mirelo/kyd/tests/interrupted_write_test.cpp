// A writer killed at any moment of an update leaves either the container
// it started from or the one it finished, never a mix.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "kyd_support.h"
#include "zip/zip_mem_file.h"

using namespace kydtest;
namespace fs = std::filesystem;

namespace {

using Contents = std::vector<std::pair<std::string, Bytes>>;

// Every entry as our archive class reads it; empty when it cannot.
Contents contentsOf(const fs::path& archive) {
    Contents out;
    try {
        CZipBundle zip;
        if (!zip.Open(ansi(archive), CZipBundle::zipOpenReadOnly, 0)) return {};
        for (ZIP_INDEX_TYPE index = 0; index < zip.GetCount(); ++index) {
            CZipMemFile memory;
            if (!zip.ExtractFile(index, memory)) return {};
            Bytes data(static_cast<std::size_t>(memory.GetLength()));
            memory.Read(data.data(), static_cast<std::uint32_t>(data.size()));
            out.emplace_back(zip.GetFileInfo(index)->GetFileName(), std::move(data));
        }
        zip.Close();
    } catch (...) {
        return {};
    }
    return out;
}

}  // namespace

TEST(KydInterruptedWrite, AKilledWriterLeavesTheOldOrTheNewContainer) {
    Scratch scratch;
    FixedUtc clock(2026, 12, 7, 21, 15, 54);
    const fs::path container = scratch.file("signed.kyd");
    const fs::path attachment = scratch.write("annex.bin", randomBytes(3 << 20, 7));
    {
        TFileKyd kyd;
        ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openCreate));
        ASSERT_EQ(kydOk, kyd.AddMessage(textBytes(50000)));
        ASSERT_EQ(kydOk, kyd.AddSignature(randomBytes(1500, 2)));
        ASSERT_EQ(kydOk, kyd.Close(false));
    }
    const Bytes oldBytes = fileBytes(container);
    const Contents oldContents = contentsOf(container);
    auto update = [&](const fs::path& path) {
        TFileKyd kyd;
        if (kyd.Open(ansi(path), TFileKyd::openUpdate) || kyd.AddSignature(randomBytes(1500, 3)) ||
            kyd.AddPolicy(randomBytes(500, 4)) || kyd.AddOtherFile(ansi(attachment)))
            return 1;
        return kyd.Close(false);
    };

    const fs::path reference = scratch.file("reference.kyd");
    fs::copy_file(container, reference);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, update(reference));
    const auto duration = std::chrono::steady_clock::now() - start;
    const Contents newContents = contentsOf(reference);
    ASSERT_EQ(oldContents.size() + 3, newContents.size());

    constexpr int kPoints = 40;
    int sawOld = 0, sawNew = 0;
    for (int point = 0; point < kPoints; ++point) {
        scratch.write("signed.kyd", oldBytes);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(update(container));
        // Spread over the whole write and past its end; the last writer
        // is left to finish.
        std::this_thread::sleep_for(duration * point * 3 / (2 * kPoints));
        if (point < kPoints - 1) kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const Contents found = contentsOf(container);
        if (found == oldContents) {
            ++sawOld;
        } else {
            ASSERT_EQ(newContents, found) << "killed at point " << point << " of " << kPoints;
            ++sawNew;
        }
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
}

namespace {

// The container's temporary files and the other files of its folder.
std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// A writer that has added a signature and waits, its temporary file open,
// until it is killed.
pid_t startWaitingWriter(const fs::path& container) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        TFileKyd kyd;
        const char state = kyd.Open(ansi(container), TFileKyd::openUpdate) || kyd.AddSignature(randomBytes(1500, 5)) ? 'f' : 'r';
        if (write(ready[1], &state, 1) != 1) _exit(1);
        for (;;) pause();
    }
    close(ready[1]);
    char state = 0;
    const bool started = read(ready[0], &state, 1) == 1 && state == 'r';
    close(ready[0]);
    return started ? child : -1;
}

void killWriter(pid_t writer) {
    ::kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
}

}  // namespace

// The hidden temporary file of a killed writer goes at the next write or
// load of the same container; a live writer's and other names stay.
TEST(KydInterruptedWrite, TheNextOpenRemovesAKilledWritersTemporaryFileOnly) {
    Scratch scratch;
    FixedUtc clock(2026, 12, 7, 21, 15, 54);
    const fs::path container = scratch.file("podepsaný.kyd");
    {
        TFileKyd kyd;
        ASSERT_EQ(kydOk, kyd.Open(ansi(container), TFileKyd::openCreate));
        ASSERT_EQ(kydOk, kyd.AddMessage(textBytes(50000)));
        ASSERT_EQ(kydOk, kyd.Close(false));
    }
    const std::string hidden = "." + container.filename().string();
    scratch.write(hidden + ".~12.bak", textBytes(10));
    scratch.write(".jiný.kyd.~12.tmp", textBytes(10));
    const std::set<std::string> clean = namesIn(scratch.dir());
    const Bytes before = fileBytes(container);

    for (const int mode : {TFileKyd::openUpdate, TFileKyd::openReadOnly}) {
        const pid_t writer = startWaitingWriter(container);
        ASSERT_GT(writer, 0);
        std::set<std::string> live = namesIn(scratch.dir());
        ASSERT_EQ(clean.size() + 1, live.size());
        {
            // A reader while the writer lives leaves its file alone.
            TFileKyd reader;
            ASSERT_EQ(kydOk, reader.Open(ansi(container), TFileKyd::openReadOnly));
            reader.Close(false);
            EXPECT_EQ(live, namesIn(scratch.dir()));
        }
        killWriter(writer);
        EXPECT_EQ(live, namesIn(scratch.dir()));
        EXPECT_EQ(before, fileBytes(container));

        TFileKyd next;
        ASSERT_EQ(kydOk, next.Open(ansi(container), mode));
        EXPECT_EQ(kydOk, next.Close(false));
        EXPECT_EQ(clean, namesIn(scratch.dir())) << "after opening in mode " << mode;
    }
}
