// Versions.xml over any bytes, read from a file as the what's-new step
// reads it; the file is removed after each input. Refusals are the expected
// outcome; crashes, hangs and large allocations are the bugs.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "versions_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file =
        (std::filesystem::temp_directory_path() / ("halvex_fuzz_versions_" + std::to_string(getpid()) + ".xml")).string();
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    halvex::ReadVersionNotes(platform::text::fromUtf8(file), halvex::ParseVersion(u"1.0.0.0"),
                             halvex::ParseVersion(u"9.0.0.0"), u"CZ");
    std::remove(file.c_str());
    return 0;
}
