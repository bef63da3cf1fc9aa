#include "plugin_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "kyd_plugin/kyd_plugin.h"
#include "platform/paths.h"

namespace {

// No plug-in comes near this; a larger file is not read at all.
constexpr std::uintmax_t kMaxPluginFileSize = 256u * 1024 * 1024;
constexpr std::size_t kPieceSize = 64 * 1024;

}  // namespace

bool NamesAllPluginEntryPoints(const std::string& path) {
    namespace fs = std::filesystem;
    const std::array<std::string_view, 3> names{kyd_plugin::kInitName, kyd_plugin::kCallName,
                                                kyd_plugin::kExitName};
    std::size_t longest = 0;
    for (auto name : names) longest = std::max(longest, name.size());

    fs::path file;
    try {
        file = platform::paths::fromWindowsAnsi(path);
    } catch (const std::exception&) {
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    const auto size = fs::file_size(file, ec);
    if (ec || size > kMaxPluginFileSize) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;

    std::array<bool, 3> found{};
    // Each piece is searched together with the tail of the one before, so a
    // name that straddles two pieces is still found.
    std::string window;
    std::vector<char> piece(kPieceSize);
    std::uintmax_t total = 0;
    while (in) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        total += got;
        if (total > kMaxPluginFileSize) return false;
        window.append(piece.data(), got);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!found[i] && window.find(names[i]) != std::string::npos) found[i] = true;
        if (window.size() > longest) window.erase(0, window.size() - (longest - 1));
    }
    if (in.bad()) return false;
    return found[0] && found[1] && found[2];
}
