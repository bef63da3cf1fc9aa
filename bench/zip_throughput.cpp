// Creating and extracting the same 200 MB of mixed files (text, random
// bytes, data already compressed) with the archive library and with
// libzip, both at deflate level 6, in one run; then the speed ratios and
// the peak memory of each operation, measured in a fresh process.
//
//   zip_throughput [benchmark options]
//   zip_throughput --measure <operation> <data folder> <archive> [only]
//     (the child mode the memory measurement runs itself in)
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "zip/zip_bundle.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLevel = 6;
constexpr std::uint32_t kBuffer = 65536;

// ---- the data set --------------------------------------------------------

std::string textOf(std::size_t size, std::mt19937_64& random) {
    static const char* const words[] = {"podpis ", "archive ", "entry ", "certificate ", "the ", "policy ",
                                        "renewal ", "data\n", "signature ", "of ", "folder ", "time "};
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) text += words[random() % 12];
    text.resize(size);
    return text;
}

std::string randomOf(std::size_t size, std::mt19937_64& random) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        std::memcpy(data.data() + i, &v, 8);
    }
    return data;
}

// Data already compressed: deflated text, as in images and packed files.
std::string compressedOf(std::size_t size, std::mt19937_64& random) {
    const std::string text = textOf(size * 3, random);
    std::string out(compressBound(static_cast<uLong>(text.size())), '\0');
    uLongf length = static_cast<uLongf>(out.size());
    compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(text.data()),
              static_cast<uLong>(text.size()), 9);
    out.resize(length);
    while (out.size() < size) out += out;
    out.resize(size);
    return out;
}

struct Group {
    const char* folder;
    std::string (*make)(std::size_t, std::mt19937_64&);
    std::vector<std::pair<int, std::size_t>> counts;  // files of a size
};

const std::vector<Group>& groups() {
    static const std::vector<Group> all{
        {"text", textOf, {{1, 40u << 20}, {4, 10u << 20}, {60, 300u << 10}, {100, 10u << 10}}},
        {"binary", randomOf, {{1, 30u << 20}, {10, 3u << 20}, {50, 100u << 10}}},
        {"compressed", compressedOf, {{1, 20u << 20}, {20, 1u << 20}, {40, 200u << 10}}},
    };
    return all;
}

struct DataSet {
    fs::path folder;
    std::vector<std::string> files;  // relative, with "/"
    std::uint64_t bytes = 0;
};

std::vector<std::string> listFiles(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        if (item.is_regular_file()) files.push_back(fs::relative(item.path(), folder).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

fs::path workFolder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "tesk-zip-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return fs::path(pattern);
    }();
    return folder;
}

const DataSet& dataSet() {
    static const DataSet set = [] {
        DataSet made{workFolder() / "data", {}, 0};
        std::mt19937_64 random(20261207);
        for (const Group& group : groups())
            for (const auto& [count, size] : group.counts)
                for (int i = 0; i < count; ++i) {
                    const fs::path path = made.folder / group.folder / (std::to_string(size) + "-" + std::to_string(i) + ".dat");
                    fs::create_directories(path.parent_path());
                    const std::string content = group.make(size, random);
                    std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
                    made.bytes += size;
                }
        made.files = listFiles(made.folder);
        return made;
    }();
    return set;
}

// ---- the two libraries ---------------------------------------------------

void createWithTesk(const fs::path& folder, const std::vector<std::string>& files, const fs::path& archive) {
    CZipBundle zip;
    zip.Open(CZipString(archive.string()), CZipBundle::zipCreate);
    for (const std::string& name : files)
        if (!zip.AddNewFile(CZipString((folder / name).string()), CZipString(name), kLevel, 7, kBuffer)) std::abort();
    zip.Close();
}

void extractWithTesk(const fs::path& archive, const fs::path& target) {
    CZipBundle zip;
    zip.Open(CZipString(archive.string()), CZipBundle::zipOpenReadOnly);
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i)
        if (!zip.ExtractFile(i, CZipString(target.string()), true, nullptr, kBuffer)) std::abort();
    zip.Close();
}

void createWithLibzip(const fs::path& folder, const std::vector<std::string>& files, const fs::path& archive) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) std::abort();
    for (const std::string& name : files) {
        zip_source_t* source = zip_source_file(zip, (folder / name).c_str(), 0, -1);
        const zip_int64_t index = source ? zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 || zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kLevel) < 0)
            std::abort();
    }
    if (zip_close(zip) < 0) std::abort();
}

void extractWithLibzip(const fs::path& archive, const fs::path& target) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!zip) std::abort();
    std::vector<char> buffer(kBuffer);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const fs::path path = target / zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
        fs::create_directories(path.parent_path());
        zip_file_t* entry = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!entry || !out) std::abort();
        for (zip_int64_t n; (n = zip_fread(entry, buffer.data(), buffer.size())) > 0;)
            std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), out);
        std::fclose(out);
        if (zip_fclose(entry) != 0) std::abort();
    }
    zip_discard(zip);
}

void runOperation(const std::string& operation, const fs::path& folder, const std::vector<std::string>& files,
                  const fs::path& archive) {
    const fs::path target = archive.string() + ".out";
    fs::remove_all(target);
    if (operation == "tesk-create") createWithTesk(folder, files, archive);
    if (operation == "libzip-create") createWithLibzip(folder, files, archive);
    if (operation == "tesk-extract") extractWithTesk(archive, target);
    if (operation == "libzip-extract") extractWithLibzip(archive, target);
}

// ---- benchmarks ----------------------------------------------------------

fs::path archiveFor(const char* library) { return workFolder() / (std::string(library) + ".zip"); }

using CreateFunction = void (*)(const fs::path&, const std::vector<std::string>&, const fs::path&);
using ExtractFunction = void (*)(const fs::path&, const fs::path&);

void benchCreate(benchmark::State& state, const char* library, CreateFunction create) {
    const DataSet& set = dataSet();
    for (auto _ : state) create(set.folder, set.files, archiveFor(library));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * set.bytes));
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archiveFor(library))) / (1 << 20);
}

void benchExtract(benchmark::State& state, const char* library, ExtractFunction extract) {
    const DataSet& set = dataSet();
    const fs::path target = workFolder() / (std::string(library) + "-out");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        extract(archiveFor(library), target);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * set.bytes));
}

void createTesk(benchmark::State& state) { benchCreate(state, "tesk", createWithTesk); }
void createLibzip(benchmark::State& state) { benchCreate(state, "libzip", createWithLibzip); }
void extractTesk(benchmark::State& state) { benchExtract(state, "tesk", extractWithTesk); }
void extractLibzip(benchmark::State& state) { benchExtract(state, "libzip", extractWithLibzip); }

BENCHMARK(createTesk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(createLibzip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(extractTesk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(extractLibzip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Keeps each benchmark's mean time so that the ratios can be printed at the
// end: the "mean" aggregate when repetitions are asked for, else the mean
// of its runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            Times& times = m_times[run.run_name.function_name];
            const double seconds = run.GetAdjustedRealTime() / 1000.0;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean") times.mean = seconds;
            if (run.run_type == Run::RT_Iteration) {
                times.sum += seconds;
                ++times.count;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double seconds(const std::string& name) const {
        const auto found = m_times.find(name);
        if (found == m_times.end()) return 0;
        return found->second.mean > 0 ? found->second.mean : found->second.sum / std::max(1, found->second.count);
    }

private:
    struct Times {
        double mean = 0;
        double sum = 0;
        int count = 0;
    };
    std::map<std::string, Times> m_times;
};

// The peak resident memory (KiB) of this process's own image (VmHWM),
// which, unlike getrusage's, does not carry over what the parent had
// resident when it started the process.
long ownPeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Peak resident memory (KiB) of one operation run in a fresh process.
long peakMemory(const std::string& operation, const fs::path& archive, const std::string& only = {}) {
    std::fflush(nullptr);
    int output[2];
    if (pipe(output) != 0) return -1;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        const std::string folder = dataSet().folder.string();
        const std::string target = archive.string();
        execl(self.c_str(), "zip_throughput", "--measure", operation.c_str(), folder.c_str(), target.c_str(),
              only.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string reply;
    char chunk[64];
    for (ssize_t n; (n = read(output[0], chunk, sizeof chunk)) > 0;) reply.append(chunk, static_cast<std::size_t>(n));
    close(output[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || reply.empty()) return -1;
    return std::stol(reply);
}

void reportMemoryAndRatios(const RatioReporter& reporter) {
    const double createRatio = reporter.seconds("createLibzip") / reporter.seconds("createTesk");
    const double extractRatio = reporter.seconds("extractLibzip") / reporter.seconds("extractTesk");
    std::printf("\nData set: %zu files, %.1f MB\n", dataSet().files.size(), static_cast<double>(dataSet().bytes) / (1 << 20));
    std::printf("Speed of the archive library relative to libzip (>1 is faster): create %.2f, extract %.2f\n",
                createRatio, extractRatio);
    std::printf("\nPeak resident memory of one operation in its own process (MiB):\n");
    for (const char* operation : {"tesk-create", "libzip-create", "tesk-extract", "libzip-extract"}) {
        const fs::path archive = workFolder() / (std::string(operation).substr(0, std::string(operation).find('-')) + "-mem.zip");
        std::printf("  %-16s %7.1f\n", operation, static_cast<double>(peakMemory(operation, archive)) / 1024);
    }
    std::printf("\nThe archive library with one entry of each size (MiB):\n");
    for (const char* only : {"text/10240-0.dat", "text/10485760-0.dat", "text/41943040-0.dat"}) {
        const fs::path archive = workFolder() / "single.zip";
        const long create = peakMemory("tesk-create", archive, only);
        const long extract = peakMemory("tesk-extract", archive, only);
        std::printf("  %-22s create %6.1f  extract %6.1f\n", only, static_cast<double>(create) / 1024,
                    static_cast<double>(extract) / 1024);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--measure") {
        const fs::path folder = argv[3];
        const std::vector<std::string> files =
            argc >= 6 && argv[5][0] ? std::vector<std::string>{argv[5]} : listFiles(folder);
        runOperation(argv[2], folder, files, argv[4]);
        std::printf("%ld\n", ownPeakMemory());
        return 0;
    }
    setenv("PLATFORM_ROOT", (workFolder() / "platform").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    dataSet();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reportMemoryAndRatios(reporter);
    benchmark::Shutdown();
    fs::remove_all(workFolder());
    return 0;
}
