// Crash safety and concurrency: writers killed in the middle of a write
// leave whole values, and processes and threads using one database at once
// all succeed.
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>

#include "platform/paths.h"
#include "registry_fixture.h"
#include "stress_blob.h"
#include "testkit/process.h"

using namespace registry_test;

namespace {

// The database as a fresh connection sees it.
std::string integrityOf(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &q, nullptr) == SQLITE_OK && sqlite3_step(q) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_close(db);
    return result;
}

// Waits (up to ten seconds) until the worker's counter has passed the value.
void waitForCounterPast(DWORD value) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        Key key;
        DWORD counter = 0, size = sizeof counter;
        if (std::filesystem::exists(platform::paths::registryDatabase()) &&
            openKey(HKEY_CURRENT_USER, u"Software\\Crash", KEY_READ, key) == ERROR_SUCCESS &&
            RegQueryValueExW(key.get(), u"Counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&counter), &size) ==
                ERROR_SUCCESS &&
            counter > value)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST_F(Registry, AWriterKilledAtAnyMomentLeavesWholeValues) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(0, 60);
    DWORD lastCounter = 0;
    std::uint64_t lastBlob = 0;
    int advanced = 0;
    constexpr int kRounds = 30;
    for (int round = 0; round < kRounds; ++round) {
        {
            testkit::Service worker({REGISTRY_WORKER, "crash"});
            // Killed at a random moment once it is writing, however slowly
            // a loaded machine starts it.
            waitForCounterPast(lastCounter);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            worker.signal(SIGKILL);
            worker.stop();
        }
        // Killed before it made the database: nothing to check yet.
        if (!std::filesystem::exists(platform::paths::registryDatabase())) continue;
        ASSERT_EQ("ok", integrityOf(platform::paths::registryDatabase())) << "round " << round;
        Key key;
        if (openKey(HKEY_CURRENT_USER, u"Software\\Crash", KEY_READ, key) == ERROR_FILE_NOT_FOUND) continue;
        const auto blob = bytesOf(key.get(), u"Blob");
        if (blob.empty()) continue;  // killed before its first write
        const auto sequence = blobSequence(blob);
        ASSERT_TRUE(sequence) << "torn blob in round " << round;
        const DWORD counter = dwordOf(key.get(), u"Counter");
        // Committed values never go back; the counter trails the blob by at most one write.
        EXPECT_GE(*sequence, lastBlob);
        EXPECT_GE(counter, lastCounter);
        EXPECT_TRUE(counter == *sequence || counter + 1 == *sequence) << counter << " vs " << *sequence;
        advanced += counter > lastCounter;
        lastCounter = counter;
        lastBlob = *sequence;
    }
    EXPECT_GT(advanced, kRounds / 3) << "the worker rarely got to write before it was killed";
}

TEST_F(Registry, TwoProcessesWritingAndReadingAtOnceBothSucceed) {
    constexpr int kCount = 1500;
    auto run = [&](int id) {
        return testkit::run({REGISTRY_WORKER, "mix", std::to_string(id), std::to_string(kCount)});
    };
    auto first = std::async(std::launch::async, run, 0);
    auto second = std::async(std::launch::async, run, 1);
    const auto a = first.get(), b = second.get();
    ASSERT_EQ(0, a.exitCode) << a.err;
    ASSERT_EQ(0, b.exitCode) << b.err;

    Key shared, own0, own1;
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"Software\\Mix\\Shared", KEY_READ, shared));
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(shared.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u * kCount + 1, values);  // every "wN-i" and "Last"
    EXPECT_EQ(kCount - 1u, dwordOf(shared.get(), u"w1-1499"));
    const auto last = stringOf(shared.get(), u"Last");
    EXPECT_TRUE(last == u"w0:1499" || last == u"w1:1499");
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"Software\\Mix\\Own0", KEY_READ, own0));
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, u"Software\\Mix\\Own1", KEY_READ, own1));
    EXPECT_EQ(kCount - 1u, dwordOf(own0.get(), u"Counter"));
    EXPECT_EQ(kCount - 1u, dwordOf(own1.get(), u"Counter"));
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, u"Software\\Mix\\Tmp0"));
}

TEST_F(Registry, ProcessesCreatingTheDatabaseTogetherAllSucceed) {
    for (int round = 0; round < 20; ++round) {
        testkit::PlatformRoot fresh;
        std::vector<std::future<testkit::RunResult>> runs;
        for (int id = 0; id < 3; ++id)
            runs.push_back(std::async(std::launch::async, [id] {
                return testkit::run({REGISTRY_WORKER, "mix", std::to_string(id), "2"});
            }));
        for (auto& run : runs) {
            const auto result = run.get();
            ASSERT_EQ(0, result.exitCode) << "round " << round << ": " << result.err;
        }
    }
}

TEST_F(Registry, ThreadsShareTheConnectionSafely) {
    Key shared = create(HKEY_CURRENT_USER, u"Software\\Threads");
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::u16string own = u"T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
            for (DWORD i = 0; i < 200; ++i) {
                HKEY key = nullptr;
                failures += RegCreateKeyExW(shared.get(), own.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                            nullptr) != ERROR_SUCCESS;
                failures += setDword(key, u"n", i) != ERROR_SUCCESS;
                DWORD value = 0, size = 4;
                failures += RegQueryValueExW(key, u"n", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
                            ERROR_SUCCESS || value != i;
                failures += RegCloseKey(key) != ERROR_SUCCESS;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, failures.load());
    DWORD subkeys = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(shared.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(4u, subkeys);
}

}  // namespace
