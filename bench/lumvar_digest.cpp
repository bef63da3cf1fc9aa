// The upgrade client's inventory digest of a 500 MB program folder (the walk
// of the folder, then a SHA-1 digest of every file through Sha1Hash) against
// `sha1sum` run as a process over the same files, in the same run and with
// the files already in the page cache; then the speed ratio, ours /
// sha1sum (goal: at least 0.90).
//
//   lumvar_digest [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "lumvar/inventory.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "times_reporter.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTotalSize = 500u << 20;

struct ProgramFolder {
    fs::path path;
    std::vector<std::string> files;
};

ProgramFolder& programFolder() {
    static ProgramFolder folder;
    return folder;
}

// A program folder as installers leave one: a few large libraries, many
// small files, some nesting. Random bytes, so no file is cheaper to read.
void makeProgramFolder(const fs::path& path) {
    ProgramFolder& folder = programFolder();
    folder.path = path;
    std::mt19937_64 random(500);
    std::vector<char> block(1 << 20);
    std::size_t written = 0;
    for (int i = 0; written < kTotalSize; ++i) {
        const std::size_t size = std::min<std::size_t>(kTotalSize - written,
                                                       i % 10 == 0 ? (40u << 20) : i % 3 == 0 ? (2u << 20) : 64u << 10);
        const fs::path file = path / ("part" + std::to_string(i % 7)) / ("sub" + std::to_string(i % 3)) /
                              ("file" + std::to_string(i) + ".dll");
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        for (std::size_t left = size; left > 0;) {
            for (std::size_t k = 0; k < block.size(); k += 8) {
                const auto value = random();
                std::memcpy(block.data() + k, &value, 8);
            }
            const std::size_t n = std::min(left, block.size());
            out.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
        if (!out) throw std::runtime_error("cannot write " + file.string());
        folder.files.push_back(file.string());
        written += size;
    }
}

void digestLumvar(benchmark::State& state) {
    const std::u16string root = platform::paths::toWide(programFolder().path) + u"\\";
    for (auto _ : state) {
        lumvar::UpdateList list;
        if (lumvar::GenerateUpdateFileList(root, u"", list) != lumvar::kOk) throw std::runtime_error("walk failed");
        for (lumvar::FileRecord& file : list.files)
            if (file.digest.calcFromFile(root + file.path) != lumvar::kOk) throw std::runtime_error("digest failed");
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotalSize));
}

void digestSha1sum(benchmark::State& state) {
    std::string command = "sha1sum";
    for (const std::string& file : programFolder().files) command += " '" + file + "'";
    command += " >/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) throw std::runtime_error("sha1sum failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotalSize));
}

BENCHMARK(digestLumvar)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(digestSha1sum)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("tesk-lumvar-bench-" + std::to_string(getpid()));
    setenv("PLATFORM_ROOT", (root / "platform").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    makeProgramFolder(root / "program");
    // Warm the page cache once, so that both read from memory.
    std::system(("cat -- " + (root / "program").string() + "/*/*/* >/dev/null").c_str());
    tesk_bench::TimesReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    std::printf("\nSpeed ratio, inventory digest / sha1sum (goal: at least 0.90): %5.2f\n",
                times["digestSha1sum"] / times["digestLumvar"]);
    benchmark::Shutdown();
    fs::remove_all(root);
    return 0;
}
