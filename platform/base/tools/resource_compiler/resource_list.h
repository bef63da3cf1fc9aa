// The resources of one module as the build describes them, checked and
// ready to be written out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace resource_compiler {

// A mistake in the build's description; the message names the culprit.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An integer type or name, or a UTF-16 text.
using Key = std::variant<std::uint16_t, std::u16string>;

struct Resource {
    Key type;
    Key name;
    std::uint16_t language;
    // Either a file embedded as it is, or UTF-16 units (a string block).
    std::filesystem::path file;
    std::u16string units;
};

// "10", "RCDATA" (and the other standard type words) or a text type.
Key parseType(const std::string& text);
// "105" or a text name.
Key parseName(const std::string& text);
// Decimal or 0x-prefixed hexadecimal, at most 0xFFFF.
std::uint16_t parseLanguage(const std::string& text);

// Refuses a second resource with the same type, name and language.
void addUnique(std::vector<Resource>& list, Resource resource);

}  // namespace resource_compiler
