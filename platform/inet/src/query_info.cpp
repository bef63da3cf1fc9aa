// query_info.cpp: HttpQueryInfoA over the last reply's head.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "handles.h"
#include "platform/boundary.h"

using namespace platform::inet;
using platform::WinError;

namespace {

const char* headerNameOf(DWORD level) {
    switch (level) {
    case HTTP_QUERY_CONTENT_TYPE: return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH: return "Content-Length";
    default: return nullptr;
    }
}

// The index-th value the level names, if the reply has it.
std::optional<std::string> valueOf(const ReplyHead& head, DWORD level, DWORD index) {
    if (level == HTTP_QUERY_STATUS_CODE) return index ? std::nullopt : std::optional(std::to_string(head.status));
    if (level == HTTP_QUERY_STATUS_TEXT) return index ? std::nullopt : std::optional(head.statusText);
    const char* name = headerNameOf(level);
    if (!name) throw WinError(ERROR_HTTP_INVALID_QUERY_REQUEST, "HttpQueryInfoA: level not supported");
    for (const auto& [n, v] : head.headers)
        if (strcasecmp(n.c_str(), name) == 0 && index-- == 0) return v;
    return std::nullopt;
}

void copyNumber(const std::string& text, LPVOID buffer, LPDWORD length) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || value > 0xFFFFFFFFul)
        throw WinError(ERROR_HTTP_INVALID_HEADER, "header is not a number");
    if (*length < sizeof(DWORD)) {
        *length = sizeof(DWORD);
        throw WinError(ERROR_INSUFFICIENT_BUFFER, "HttpQueryInfoA buffer");
    }
    const auto number = static_cast<DWORD>(value);
    std::memcpy(buffer, &number, sizeof number);
    *length = sizeof(DWORD);
}

void copyText(const std::string& text, LPVOID buffer, LPDWORD length) {
    if (!buffer || *length < text.size() + 1) {
        *length = static_cast<DWORD>(text.size() + 1);
        throw WinError(ERROR_INSUFFICIENT_BUFFER, "HttpQueryInfoA buffer");
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *length = static_cast<DWORD>(text.size());
}

}  // namespace

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength,
                    LPDWORD lpdwIndex) noexcept {
    return platform::winBool([&] {
        if (!lpdwBufferLength) throw WinError(ERROR_INVALID_PARAMETER, "HttpQueryInfoA: no length");
        auto handle = findHandle(hRequest);
        auto& request = objectOf<Request>(*handle);
        const DWORD modifiers = dwInfoLevel & HTTP_QUERY_MODIFIER_FLAGS_MASK;
        if (modifiers & ~HTTP_QUERY_FLAG_NUMBER)
            throw WinError(ERROR_HTTP_INVALID_QUERY_REQUEST, "HttpQueryInfoA: modifier not supported");
        if (!request.transfer) throw WinError(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no reply yet");
        const DWORD index = lpdwIndex ? *lpdwIndex : 0;
        const auto value = valueOf(request.transfer->head(), dwInfoLevel & ~HTTP_QUERY_MODIFIER_FLAGS_MASK, index);
        if (!value) throw WinError(ERROR_HTTP_HEADER_NOT_FOUND, "reply has no such header");
        if (modifiers & HTTP_QUERY_FLAG_NUMBER) {
            if (!lpBuffer) throw WinError(ERROR_INVALID_PARAMETER, "HttpQueryInfoA: no buffer");
            copyNumber(*value, lpBuffer, lpdwBufferLength);
        } else {
            copyText(*value, lpBuffer, lpdwBufferLength);
        }
        if (lpdwIndex) ++*lpdwIndex;
        return true;
    });
}
