#include "hand_over.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include "lumvar/log_writer.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/modules.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

// Longest folder a line may name, as the Windows path limit allows.
constexpr std::size_t kMaxFolder = 259;
// The file holds four short lines; anything far longer is not ours.
constexpr std::streamsize kMaxFile = 4 * 1024;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::optional<std::u16string> folderOf(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size()) return std::nullopt;
    const std::u16string folder = platform::text::fromUtf8(lines[index]);
    if (folder.empty() || folder.size() > kMaxFolder || !platform::paths::fromWindows(folder).is_absolute())
        return std::nullopt;
    return folder;
}

template <class Number>
std::optional<Number> numberOf(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size()) return std::nullopt;
    const std::string& text = lines[index];
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::u16string ownFolder() {
    WCHAR path[4096];
    const DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0]) return {};
    std::u16string folder(path, length);
    const auto slash = folder.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : folder.substr(0, slash + 1);
}

std::optional<HandOver> readHandOver(const std::u16string& file, int* language) {
    write(Level::Info, u"Loading configuration");
    std::ifstream in(platform::paths::fromWindows(file), std::ios::binary);
    std::string text(static_cast<std::size_t>(kMaxFile) + 1, '\0');
    in.read(text.data(), kMaxFile + 1);
    text.resize(static_cast<std::size_t>(in.gcount()));
    const std::vector<std::string> lines = linesOf(text);
    HandOver result;

    const auto program = folderOf(lines, 0);
    if (!program || !result.config.setProgramPath(*program)) {
        write(Level::Error, u"Failure during loading programPath from config file.");
        return std::nullopt;
    }
    write(Level::Info, u"Program path = %ls", program->c_str());
    const auto download = folderOf(lines, 1);
    if (!download || !result.config.setDownloadPath(*download)) {
        write(Level::Error, u"Failure during loading downloadPath from config file.");
        return std::nullopt;
    }
    write(Level::Info, u"Download path = %ls", download->c_str());
    const auto lang = numberOf<int>(lines, 2);
    if (!lang) {
        write(Level::Error, u"Failure during loading language from config file.");
        return std::nullopt;
    }
    write(Level::Info, u"Language = %d", *lang);
    if (*lang < lumvar::Czech || *lang > lumvar::English || !result.config.setLang(*lang)) {
        write(Level::Error, u"Language %d doesnt exists", *lang);
        return std::nullopt;
    }
    *language = *lang;
    const auto id = numberOf<DWORD>(lines, 3);
    if (!id || *id == 0) {
        write(Level::Error, u"Failure during loading PID from config file.");
        return std::nullopt;
    }
    write(Level::Info, u"Proccess ID = %d", static_cast<int>(*id));
    result.clientId = *id;
    return result;
}

}  // namespace tornil
