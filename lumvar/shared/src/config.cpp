// Config's setters: each checks its value and marks the member as set.
#include "lumvar/config.h"

namespace lumvar {
namespace {

constexpr std::uint32_t kClientApp = 0x1;
constexpr std::uint32_t kDistroID = 0x2;
constexpr std::uint32_t kAddress = 0x4;
constexpr std::uint32_t kAgentName = 0x8;
constexpr std::uint32_t kProgramPath = 0x10;
constexpr std::uint32_t kVersion = 0x20;
constexpr std::uint32_t kDownloadPath = 0x40;
constexpr std::uint32_t kDllPath = 0x80;
constexpr std::uint32_t kLang = 0x100;
constexpr std::uint32_t kRelaxNGPath = 0x200;
constexpr std::size_t kMaxNameLength = 32;

template <class Value>
std::int32_t take(Value& member, std::uint32_t& flags, std::uint32_t bit, Value value) {
    member = std::move(value);
    flags |= bit;
    return 1;
}

template <class Text>
Text asFolder(Text text) {
    if (text.back() != '\\' && text.back() != '/') text.push_back('\\');
    return text;
}

}  // namespace

std::int32_t Config::setClientApp(const std::string& value) {
    if (value.empty() || value.size() > kMaxNameLength) return 0;
    return take(ClientApp, flags, kClientApp, value);
}

std::int32_t Config::setDistroID(const std::string& value) {
    if (value.empty() || value.size() > kMaxNameLength) return 0;
    return take(DistroID, flags, kDistroID, value);
}

std::int32_t Config::setAddress(const std::string& value) {
    if (value.empty()) return 0;
    return take(Address, flags, kAddress, value);
}

std::int32_t Config::setAgentName(const std::u16string& value) {
    if (value.empty()) return 0;
    return take(AgentName, flags, kAgentName, value);
}

std::int32_t Config::setAgentName(const WCHAR* value) { return value ? setAgentName(std::u16string(value)) : 0; }

std::int32_t Config::setProgramPath(const std::u16string& value) {
    if (value.empty()) return 0;
    return take(ProgramPath, flags, kProgramPath, asFolder(value));
}

std::int32_t Config::setProgramPath(const WCHAR* value) { return value ? setProgramPath(std::u16string(value)) : 0; }

std::int32_t Config::setDllPath(const std::u16string& value) {
    if (value.empty()) return 0;
    return take(DllPath, flags, kDllPath, asFolder(value));
}

std::int32_t Config::setDllPath(const WCHAR* value) { return value ? setDllPath(std::u16string(value)) : 0; }

std::int32_t Config::setDownloadPath(const std::u16string& value) {
    if (value.empty()) return 0;
    return take(DownloadPath, flags, kDownloadPath, asFolder(value));
}

std::int32_t Config::setDownloadPath(const WCHAR* value) { return value ? setDownloadPath(std::u16string(value)) : 0; }

std::int32_t Config::setRelaxNGPath(const std::string& value) {
    if (value.empty()) return 0;
    return take(RelaxNGPath, flags, kRelaxNGPath, asFolder(value));
}

std::int32_t Config::setVersion(const std::vector<std::uint32_t>& value) {
    if (value.empty()) return 0;
    return take(Version, flags, kVersion, value);
}

std::int32_t Config::setLang(std::int32_t value) {
    if (value < Czech || value > English) return 0;
    return take(Lang, flags, kLang, static_cast<Jazyk>(value));
}

}  // namespace lumvar
