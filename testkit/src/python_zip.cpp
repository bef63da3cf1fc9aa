#include "python_zip.h"

#include <stdexcept>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

void writeZip(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& entries) {
    // Each entry's bytes go through a file beside the archive: names and
    // bytes reach Python unchanged, whatever they hold.
    std::vector<std::string> argv = {"python3", "-c",
                                     "import sys, zipfile\n"
                                     "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                     "    for i in range(2, len(sys.argv), 2):\n"
                                     "        z.write(sys.argv[i], sys.argv[i + 1])\n",
                                     file.string()};
    std::vector<std::filesystem::path> parts;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        parts.push_back(file.string() + ".entry" + std::to_string(i));
        writeFile(parts.back(), entries[i].second);
        argv.insert(argv.end(), {parts.back().string(), entries[i].first});
    }
    const RunResult writing = run(argv);
    for (const auto& part : parts) std::filesystem::remove(part);
    if (writing.exitCode != 0) throw std::runtime_error("python3 zipfile failed: " + writing.err);
}

}  // namespace testkit
