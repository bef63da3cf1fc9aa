#include "string_file.h"

#include <array>
#include <fstream>

#include "platform/text.h"

namespace resource_compiler {

namespace {

constexpr std::uint16_t kStringType = 6;

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[++i] : '\0';
        switch (next) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: throw InputError(std::string("unknown escape \\") + (next ? std::string(1, next) : std::string()));
        }
    }
    return out;
}

std::pair<std::uint16_t, std::u16string> parseLine(const std::string& line) {
    const auto tab = line.find('\t');
    const std::string id = line.substr(0, tab);
    if (tab == std::string::npos || id.empty() || id.size() > 5 ||
        id.find_first_not_of("0123456789") != std::string::npos || std::stoul(id) > 0xFFFF)
        throw InputError("expected a string id in 0..65535, a TAB and the text");
    const std::string text = unescape(line.substr(tab + 1));
    if (!platform::text::isValidUtf8(text)) throw InputError("the text is not UTF-8");
    auto wide = platform::text::fromUtf8(text);
    if (wide.size() > 0xFFFF) throw InputError("the text is longer than 65535 UTF-16 units");
    return {static_cast<std::uint16_t>(std::stoul(id)), std::move(wide)};
}

}  // namespace

StringTable readStringFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(file.string() + ": cannot be read");
    StringTable table;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        if (line.ends_with('\r')) line.pop_back();
        if (line.empty()) continue;
        try {
            auto [id, text] = parseLine(line);
            if (!table.emplace(id, std::move(text)).second) throw InputError("string " + std::to_string(id) + " is given twice");
        } catch (const InputError& e) {
            throw InputError(file.string() + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    return table;
}

void mergeStrings(StringTable& into, const StringTable& more, const std::filesystem::path& file) {
    for (const auto& [id, text] : more)
        if (!into.emplace(id, text).second)
            throw InputError(file.string() + ": string " + std::to_string(id) + " is already given for this language");
}

std::vector<Resource> stringBlocks(const StringTable& table, std::uint16_t language) {
    std::map<unsigned, std::array<std::u16string, 16>> blocks;
    for (const auto& [id, text] : table) blocks[id / 16u][id % 16u] = text;
    std::vector<Resource> out;
    for (const auto& [block, texts] : blocks) {
        Resource resource{kStringType, static_cast<std::uint16_t>(block + 1), language, {}, {}};
        for (const auto& text : texts) {
            resource.units += static_cast<char16_t>(text.size());
            resource.units += text;
        }
        out.push_back(std::move(resource));
    }
    return out;
}

}  // namespace resource_compiler
