// request_headers.cpp: HttpAddRequestHeadersA and the header lines it takes.
#include "request_headers.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <string_view>

#include "handles.h"
#include "platform/boundary.h"

namespace platform::inet {

namespace {

bool isTokenChar(unsigned char c) {
    return std::isalnum(c) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isValueChar(unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7F); }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::pair<std::string, std::string> headerOf(std::string_view line) {
    const auto colon = line.find(':');
    const std::string_view name = colon == std::string_view::npos ? std::string_view() : trimmed(line.substr(0, colon));
    bool valid = !name.empty();
    for (unsigned char c : name) valid &= isTokenChar(c);
    const std::string_view value = valid ? trimmed(line.substr(colon + 1)) : std::string_view();
    for (unsigned char c : value) valid &= isValueChar(c);
    if (!valid) throw WinError(ERROR_HTTP_INVALID_HEADER, "not a header line: " + std::string(line));
    return {std::string(name), std::string(value)};
}

HeaderList::iterator find(HeaderList& list, const std::string& name) {
    for (auto it = list.begin(); it != list.end(); ++it)
        if (strcasecmp(it->first.c_str(), name.c_str()) == 0) return it;
    return list.end();
}

}  // namespace

HeaderList parseHeaderLines(const char* text, DWORD length) {
    HeaderList lines;
    if (!text) return lines;
    const std::string_view all(text, length == 0xFFFFFFFFu ? std::strlen(text) : length);
    std::size_t pos = 0;
    while (pos < all.size()) {
        const auto end = all.find_first_of("\r\n", pos);
        const auto stop = end == std::string_view::npos ? all.size() : end;
        if (stop > pos) lines.push_back(headerOf(all.substr(pos, stop - pos)));
        pos = stop + 1;
    }
    return lines;
}

void addHeaders(HeaderList& list, const HeaderList& lines, DWORD modifiers) {
    HeaderList result = list;
    for (const auto& line : lines) {
        auto existing = find(result, line.first);
        if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
            if (existing != result.end()) {
                if (line.second.empty())
                    result.erase(existing);
                else
                    existing->second = line.second;
            } else if (modifiers & HTTP_ADDREQ_FLAG_ADD) {
                if (!line.second.empty()) result.push_back(line);
            } else {
                throw WinError(ERROR_HTTP_HEADER_NOT_FOUND, "no header to replace: " + line.first);
            }
        } else if ((modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) && existing != result.end()) {
            throw WinError(ERROR_HTTP_HEADER_ALREADY_EXISTS, "header already there: " + line.first);
        } else {
            result.push_back(line);
        }
    }
    list = std::move(result);
}

}  // namespace platform::inet

BOOL HttpAddRequestHeadersA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers) noexcept {
    return platform::winBool([&] {
        using namespace platform::inet;
        auto handle = findHandle(hRequest);
        auto& request = objectOf<Request>(*handle);
        if (!lpszHeaders) throw platform::WinError(ERROR_INVALID_PARAMETER, "HttpAddRequestHeadersA: no headers");
        addHeaders(request.headers, parseHeaderLines(lpszHeaders, dwHeadersLength), dwModifiers);
        return true;
    });
}
