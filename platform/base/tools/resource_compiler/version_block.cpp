#include "version_block.h"

#include <array>
#include <cstdio>
#include <sstream>

#include "platform/text.h"

namespace resource_compiler {

namespace {

constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kUnicodeCodePage = 1200;

std::array<std::uint16_t, 4> versionParts(const std::string& version) {
    std::array<std::uint16_t, 4> parts{};
    std::istringstream in(version);
    std::string part;
    std::size_t count = 0;
    while (std::getline(in, part, '.')) {
        if (count == 4 || part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(part) > 0xFFFF)
            throw InputError("VERSION \"" + version + "\": expected up to four numbers 0..65535 joined by \".\"");
        parts[count++] = static_cast<std::uint16_t>(std::stoul(part));
    }
    if (count == 0) throw InputError("VERSION is empty");
    return parts;
}

void padToDword(std::u16string& units) {
    if (units.size() % 2) units += u'\0';
}

void appendDword(std::u16string& units, std::uint32_t value) {
    units += static_cast<char16_t>(value & 0xFFFF);
    units += static_cast<char16_t>(value >> 16);
}

// One node: length in bytes (without its closing padding), value length,
// type (1 text, 0 binary), key, value and children, each part starting on
// a 32-bit boundary. `valueLength` counts characters for text, bytes else.
std::u16string node(std::u16string_view key, const std::u16string& value, bool text, const std::u16string& children) {
    std::u16string units(3, u'\0');
    units += key;
    units += u'\0';
    padToDword(units);
    units += value;
    if (!children.empty()) {
        padToDword(units);
        units += children;
    }
    units[0] = static_cast<char16_t>(units.size() * 2);
    units[1] = static_cast<char16_t>(text ? value.size() : value.size() * 2);
    units[2] = text ? u'\1' : u'\0';
    padToDword(units);
    return units;
}

std::u16string ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::u16string utf16(const std::string& text) {
    if (!platform::text::isValidUtf8(text)) throw InputError("DESCRIPTION \"" + text + "\" is not UTF-8");
    return platform::text::fromUtf8(text);
}

}  // namespace

Resource versionResource(const std::string& version, std::uint16_t language, const std::string& kind,
                         const std::string& description) {
    if (kind != "app" && kind != "dll") throw InputError("version kind \"" + kind + "\": expected app or dll");
    const auto parts = versionParts(version);
    const std::uint32_t high = static_cast<std::uint32_t>(parts[0]) << 16 | parts[1];
    const std::uint32_t low = static_cast<std::uint32_t>(parts[2]) << 16 | parts[3];

    std::u16string fixed;
    for (const std::uint32_t field : {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u, 0x00040004u,
                                      kind == "app" ? 1u : 2u, 0u, 0u, 0u})
        appendDword(fixed, field);

    char tableKey[9];
    std::snprintf(tableKey, sizeof tableKey, "%04x%04x", static_cast<unsigned>(language), unsigned{kUnicodeCodePage});
    const std::u16string text = ascii(std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                                      std::to_string(parts[2]) + "." + std::to_string(parts[3])) +
                                u'\0';
    std::u16string texts;
    if (!description.empty()) texts += node(u"FileDescription", utf16(description) + u'\0', true, {});
    texts += node(u"FileVersion", text, true, {}) + node(u"ProductVersion", text, true, {});
    const auto strings = node(u"StringFileInfo", {}, true, node(ascii(tableKey), {}, true, texts));
    std::u16string translation;
    appendDword(translation, static_cast<std::uint32_t>(kUnicodeCodePage) << 16 | language);
    const auto variables = node(u"VarFileInfo", {}, true, node(u"Translation", translation, false, {}));

    return {kVersionType, std::uint16_t{1}, 0, {}, node(u"VS_VERSION_INFO", fixed, false, strings + variables)};
}

}  // namespace resource_compiler
