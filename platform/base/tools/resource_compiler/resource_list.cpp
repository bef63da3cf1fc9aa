#include "resource_list.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/text.h"

namespace resource_compiler {

namespace {

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::uint16_t parseId(const std::string& text, const char* what) {
    if (text.size() > 5 || std::stoul(text) == 0 || std::stoul(text) > 0xFFFF)
        throw InputError(std::string(what) + " " + text + " is not in 1..65535");
    return static_cast<std::uint16_t>(std::stoul(text));
}

Key parseKey(const std::string& text, const char* what) {
    if (allDigits(text)) return parseId(text, what);
    if (text.empty() || !platform::text::isValidUtf8(text))
        throw InputError(std::string(what) + " \"" + text + "\" is empty or not UTF-8");
    return platform::text::fromUtf8(text);
}

std::string describe(const Key& key) {
    if (const auto* id = std::get_if<std::uint16_t>(&key)) return std::to_string(*id);
    return "\"" + platform::text::toUtf8(std::get<std::u16string>(key)) + "\"";
}

bool sameKey(const Key& a, const Key& b) {
    if (a.index() != b.index()) return false;
    if (const auto* id = std::get_if<std::uint16_t>(&a)) return *id == std::get<std::uint16_t>(b);
    return platform::text::equalsNoCase(std::get<std::u16string>(a), std::get<std::u16string>(b));
}

}  // namespace

Key parseType(const std::string& text) {
    static const std::map<std::string, std::uint16_t> standard = {
        {"BITMAP", 2}, {"DIALOG", 5}, {"RCDATA", 10}, {"VERSION", 16}, {"HTML", 23}, {"DLGINIT", 240}};
    if (const auto it = standard.find(text); it != standard.end()) return it->second;
    return parseKey(text, "type");
}

Key parseName(const std::string& text) { return parseKey(text, "name"); }

std::uint16_t parseLanguage(const std::string& text) {
    const bool hex = text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"));
    const std::string digits = hex ? text.substr(2) : text;
    const bool valid = !digits.empty() && digits.size() <= 5 &&
                       std::all_of(digits.begin(), digits.end(),
                                   [&](unsigned char c) { return hex ? std::isxdigit(c) : std::isdigit(c); });
    if (!valid || std::stoul(digits, nullptr, hex ? 16 : 10) > 0xFFFF)
        throw InputError("language " + text + " is not a number in 0..65535");
    return static_cast<std::uint16_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
}

void addUnique(std::vector<Resource>& list, Resource resource) {
    for (const auto& other : list)
        if (sameKey(other.type, resource.type) && sameKey(other.name, resource.name) &&
            other.language == resource.language)
            throw InputError("resource type " + describe(resource.type) + " name " + describe(resource.name) +
                             " language " + std::to_string(resource.language) + " is given twice");
    list.push_back(std::move(resource));
}

}  // namespace resource_compiler
