// request_values.cpp: text values in the bytes of their string type, and
// hexadecimal text as bytes.
#include "request_values.h"

#include <cstring>
#include <optional>
#include <string>

#include "platform/text.h"
#include "win32/crypt_encode.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

bool isUtf16Type(DWORD valueType) {
    const DWORD type = valueType & CERT_RDN_TYPE_MASK;
    return type == CERT_RDN_BMP_STRING || type == CERT_RDN_UTF8_STRING;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ValueBytes(std::u16string_view text, DWORD valueType, std::vector<BYTE>& out) {
    if (isUtf16Type(valueType)) {
        std::vector<BYTE> bytes(text.size() * sizeof(char16_t));
        if (!text.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());
        out = std::move(bytes);
        return true;
    }
    const std::optional<std::string> narrow = platform::text::toNarrowExact(text);
    if (!narrow) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    out.assign(narrow->begin(), narrow->end());
    return true;
}

std::vector<BYTE> HexToBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    int pending = -1;  // the high half of the next byte, when one was read
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit >= 0) {
            if (pending < 0) {
                pending = digit;
            } else {
                bytes.push_back(static_cast<BYTE>(pending << 4 | digit));
                pending = -1;
            }
        } else if ((c == 'x' || c == 'X') && pending == 0) {
            pending = -1;
        }
    }
    return bytes;
}
