#include "html_view_resources.h"

#include <array>
#include <cctype>
#include <utility>
#include <vector>

#include "platform/html_view.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace platform::ui {

namespace {

constexpr std::string_view kScheme = "res://";

bool unreserved(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int high = hexDigit(s[i + 1]);
        const int low = hexDigit(s[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// The loaded module whose file is `file`: the one the layer is linked
// into, the executable, or another found by its path.
std::optional<HMODULE> moduleOfFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto same = [&](HMODULE module) {
        return std::filesystem::equivalent(modules::fileOf(module), file, ec);
    };
    if (same(modules::thisModule())) return modules::thisModule();
    if (same(nullptr)) return HMODULE{};
    const auto wide = text::fromUtf8(file.string());
    if (HMODULE module = GetModuleHandleW(wide.c_str()); module && same(module))
        return module;
    return std::nullopt;
}

}  // namespace

std::string resourceUrl(const std::filesystem::path& moduleFile, std::string_view name) {
    static constexpr std::array<char, 16> kHex{'0', '1', '2', '3', '4', '5', '6', '7',
                                               '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    std::string url(kScheme);
    const std::string path = moduleFile.string() + "/" + std::string(name);
    for (const unsigned char c : path) {
        if (unreserved(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

namespace html {

std::optional<ResourceAddress> parseResourceUrl(std::string_view url) {
    if (!url.starts_with(kScheme)) return std::nullopt;
    auto rest = url.substr(kScheme.size());
    rest = rest.substr(0, rest.find_first_of("?#"));
    const auto slash = rest.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == rest.size()) return std::nullopt;
    auto module = percentDecoded(rest.substr(0, slash));
    auto name = percentDecoded(rest.substr(slash + 1));
    if (!module || !name || module->empty() || name->find('\0') != std::string::npos) return std::nullopt;
    return ResourceAddress{*module, std::move(*name)};
}

std::optional<std::string> readResource(const ResourceAddress& address) {
    const auto module = moduleOfFile(address.module);
    if (!module || !text::isValidUtf8(address.name)) return std::nullopt;
    const auto name = text::fromUtf8(address.name);
    HRSRC found = FindResourceW(*module, name.c_str(), MAKEINTRESOURCEW(RT_HTML_ID));
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(*module, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    if (!bytes) return std::nullopt;
    return std::string(bytes, SizeofResource(*module, found));
}

std::string contentTypeOf(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kTypes{{
        {".htm", "text/html"},
        {".html", "text/html"},
        {".css", "text/css"},
        {".js", "text/javascript"},
        {".gif", "image/gif"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".ico", "image/x-icon"},
        {".svg", "image/svg+xml"},
        {".txt", "text/plain"},
    }};
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        std::string extension(name.substr(dot));
        for (auto& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const auto& [known, type] : kTypes)
            if (extension == known) return std::string(type);
    }
    return "application/octet-stream";
}

std::string resolveReference(std::string_view base, std::string_view reference) {
    const auto colon = reference.find(':');
    if (colon != std::string_view::npos && reference.find('/') > colon) return std::string(reference);
    const auto schemeEnd = base.find("://");
    const std::string_view authority = schemeEnd == std::string_view::npos ? "" : base.substr(0, schemeEnd + 3);
    std::string_view basePath = base.substr(authority.size());
    basePath = basePath.substr(0, basePath.find_first_of("?#"));
    std::string joined = reference.starts_with('/')
                             ? std::string(reference)
                             : std::string(basePath.substr(0, basePath.rfind('/') + 1)) + std::string(reference);
    const auto tailAt = joined.find_first_of("?#");
    const std::string tail = tailAt == std::string::npos ? "" : joined.substr(tailAt);
    joined.resize(std::min(joined.size(), tailAt));
    // The path's segments with "." dropped and ".." taking one back.
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (true) {
        const auto end = joined.find('/', start);
        const std::string segment = joined.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const bool last = end == std::string::npos;
        if (segment == "..") {
            if (segments.size() > 1) segments.pop_back();
            if (last) segments.emplace_back();
        } else if (segment == ".") {
            if (last) segments.emplace_back();
        } else {
            segments.push_back(segment);
        }
        if (last) break;
        start = end + 1;
    }
    std::string path;
    for (std::size_t i = 0; i < segments.size(); ++i) path += (i ? "/" : "") + segments[i];
    return std::string(authority) + path + tail;
}

}  // namespace html

}  // namespace platform::ui
