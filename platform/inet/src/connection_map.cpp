#include "connection_map.h"

#include <arpa/inet.h>
#include <strings.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/paths.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"

namespace platform::inet {
namespace {

constexpr std::size_t kMaxMapSize = 1 << 20;

[[noreturn]] void badMap(const std::string& why) {
    throw WinError(ERROR_INTERNET_INTERNAL_ERROR, "connection map: " + why);
}

std::uint16_t portOf(const std::string& text, std::size_t line) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        badMap("line " + std::to_string(line) + ": \"" + text + "\" is not a port");
    return static_cast<std::uint16_t>(value);
}

bool isAddressLiteral(const std::string& text) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 || inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

std::string readMap(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return {};
    std::ifstream in(file, std::ios::binary);
    std::string text;
    if (in) {
        text.resize(kMaxMapSize + 1);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    if (!in && !in.eof()) badMap("cannot read " + file.string());
    if (text.size() > kMaxMapSize) badMap(file.string() + " is larger than 1 MiB");
    return text;
}

}  // namespace

std::optional<MappedConnection> mappedConnection(const std::string& host, std::uint16_t port) {
    std::istringstream lines(readMap(paths::root() / "connection_map"));
    std::optional<MappedConnection> found;
    std::size_t number = 0;
    // Every line is checked, so a damaged map fails whatever it is asked.
    for (std::string line; std::getline(lines, line);) {
        ++number;
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) fields.push_back(word);
        if (fields.empty() || fields[0].starts_with('#')) continue;
        if (fields.size() != 4)
            badMap("line " + std::to_string(number) + " is not \"<host> <port> <address> <port>\"");
        const std::uint16_t fromPort = portOf(fields[1], number);
        const std::uint16_t toPort = portOf(fields[3], number);
        if (!isAddressLiteral(fields[2]))
            badMap("line " + std::to_string(number) + ": \"" + fields[2] + "\" is not an IP address");
        if (!found && fromPort == port && strcasecmp(fields[0].c_str(), host.c_str()) == 0)
            found = MappedConnection{fields[2], toPort};
    }
    return found;
}

}  // namespace platform::inet
