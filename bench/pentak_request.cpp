// Generating a 2048-bit RSA key and building a signed PKCS#10 request for
// it: through the enrolment library's COM object as the renewal program
// calls it (Reset, the provider and container, KeyGenerate in the software
// provider, AddSubjectAttribute, CreatePKCS10), and with `openssl req
// -newkey rsa:2048 -nodes` run as a process, in the same run; then the time
// ratio. Each iteration makes a new key, so enough iterations are run for
// the spread of prime generation to even out.
//
//   pentak_request [benchmark options]
//
// The object is libpentak.so registered by the built regsvr32 in a platform
// root under $TMPDIR, removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "pentak_lib.h"
#include "platform/com/ptr.h"
#include "bench_support.h"
#include "times_reporter.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using bench::Text;

constexpr int kIterations = 40;
constexpr char16_t kSoftwareProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr LONG kAesProviderType = 24;
constexpr LONG kRsa2048 = 2048 << 16;
constexpr char16_t kCommonName[] = u"Bench Novák";

fs::path& workFolder() {
    static fs::path folder;
    return folder;
}

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        throw std::runtime_error(std::string(what) + " failed with " + code);
    }
}

// One request from a new key through the object; the request's length.
std::size_t objectRequest(IPentak& pentak, int number) {
    check(pentak.Reset(), "Reset");
    check(pentak.put_ProviderName(Text(kSoftwareProvider)), "ProviderName");
    check(pentak.put_ProviderType(kAesProviderType), "ProviderType");
    std::u16string container = u"bench-";
    for (const char digit : std::to_string(number)) container += static_cast<char16_t>(digit);
    check(pentak.put_ContainerName(Text(container)), "ContainerName");
    check(pentak.put_GenKeyFlags(kRsa2048), "GenKeyFlags");
    check(pentak.KeyGenerate(), "KeyGenerate");
    check(pentak.put_AttributeStringType(13), "AttributeStringType");
    check(pentak.AddSubjectAttribute(Text(u"2.5.4.3"), Text(kCommonName)), "AddSubjectAttribute");
    BSTR request = nullptr;
    check(pentak.CreatePKCS10(&request), "CreatePKCS10");
    const std::size_t length = SysStringLen(request);
    SysFreeString(request);
    return length;
}

void requestThroughObject(benchmark::State& state) {
    // Every key of the run gets a container of its own.
    static int containers = 0;
    try {
        platform::com::Ptr<IPentak> pentak;
        check(CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IPentak, pentak.putVoid()),
              "CoCreateInstance");
        for (auto _ : state) benchmark::DoNotOptimize(objectRequest(*pentak.get(), containers++));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void requestThroughOpenssl(benchmark::State& state) {
    const std::string key = (workFolder() / "openssl.key").string();
    const std::string request = (workFolder() / "openssl.csr").string();
    for (auto _ : state)
        if (bench::runQuietly({"openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Bench Novák", "-utf8",
                               "-keyout", key, "-out", request}) != 0)
            state.SkipWithError("openssl req failed");
}

BENCHMARK(requestThroughObject)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(requestThroughOpenssl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);

}  // namespace

int main(int argc, char** argv) {
    workFolder() = fs::temp_directory_path() / ("tesk-pentak-bench-" + std::to_string(getpid()));
    fs::create_directories(workFolder());
    setenv("PLATFORM_ROOT", workFolder().c_str(), 1);
    setenv("PLATFORM_UI", "script", 1);
    benchmark::Initialize(&argc, argv);
    if (bench::runQuietly({TESK_REGSVR32, "/s", TESK_PENTAK_MODULE}) != 0) {
        std::fprintf(stderr, "regsvr32 could not register %s\n", TESK_PENTAK_MODULE);
        return 1;
    }
    check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
    tesk_bench::TimesReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    CoUninitialize();
    const double object = times["requestThroughObject"], openssl = times["requestThroughOpenssl"];
    if (object > 0 && openssl > 0)
        std::printf("\nKey and request, object / openssl: %.1f ms / %.1f ms = %.2f (goal: at most 1.30)\n",
                    object * 1000, openssl * 1000, object / openssl);
    benchmark::Shutdown();
    fs::remove_all(workFolder());
    return 0;
}
