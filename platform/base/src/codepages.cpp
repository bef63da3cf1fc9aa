// Conversion between the code pages and UTF-16. Single-byte pages go
// through their tables in both directions; UTF-8 is decoded strictly (no
// overlong forms, no encoded surrogates, nothing above U+10FFFF), each
// maximal bad sequence becoming one U+FFFD, as Windows does; code page 1200
// passes UTF-16LE bytes through.
#include "codepages.h"

#include <algorithm>
#include <utility>

#include "platform/win_error.h"
#include "text_tables.h"
#include "win32/text.h"

namespace platform::text {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

const CodePage kPages[] = {
    {CP_WINDOWS_1250, PageKind::SingleByte, &kWindows1250},
    {CP_OEM_852, PageKind::SingleByte, &kOem852},
    {CP_ISO_8859_2, PageKind::SingleByte, &kIso8859_2},
    {CP_UTF8, PageKind::Utf8, nullptr},
    {CP_UTF16LE, PageKind::Utf16Le, nullptr},
};

// The units of a single-byte page sorted for the way back to bytes.
class ReverseTable {
public:
    explicit ReverseTable(const std::array<char16_t, 128>& high) {
        for (std::size_t i = 0; i < high.size(); ++i) m_sorted[i] = {high[i], static_cast<unsigned char>(0x80 + i)};
        std::sort(m_sorted.begin(), m_sorted.end());
    }
    bool find(char16_t unit, char& byte) const noexcept {
        auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), std::pair<char16_t, unsigned char>{unit, 0});
        if (it == m_sorted.end() || it->first != unit) return false;
        byte = static_cast<char>(it->second);
        return true;
    }

private:
    std::array<std::pair<char16_t, unsigned char>, 128> m_sorted;
};

const ReverseTable& reverseOf(const CodePage& page) {
    static const ReverseTable windows1250(kWindows1250);
    static const ReverseTable oem852(kOem852);
    static const ReverseTable iso8859_2(kIso8859_2);
    if (page.high == &kOem852) return oem852;
    if (page.high == &kIso8859_2) return iso8859_2;
    return windows1250;
}

void appendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Walks UTF-8 text, handing each code point to emit and each maximal bad
// sequence to bad (which Windows turns into one U+FFFD). The range of the
// first continuation byte excludes overlong forms, surrogates (ED A0..BF)
// and code points above U+10FFFF (F4 90..).
template <class Emit, class Bad>
void walkUtf8(std::string_view in, Emit&& emit, Bad&& bad) {
    std::size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<unsigned char>(in[i]);
        if (lead < 0x80) {
            emit(char32_t{lead});
            ++i;
            continue;
        }
        int needed = 0;
        unsigned char low = 0x80, high = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        std::size_t next = i + 1;
        bool complete = needed > 0;
        for (int k = 0; k < needed; ++k) {
            const auto c = next < in.size() ? static_cast<unsigned char>(in[next]) : 0;
            if (next >= in.size() || c < low || c > high) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++next;
        }
        // A bad sequence ends before the byte that broke it, which is read
        // again as the start of what follows.
        if (complete)
            emit(cp);
        else
            bad();
        i = next;
    }
}

Decoded decodeUtf8(std::string_view in) {
    Decoded result;
    result.text.reserve(in.size());
    walkUtf8(
        in, [&](char32_t cp) { appendCodePoint(result.text, cp); },
        [&] {
            result.text += kReplacement;
            result.invalid = true;
        });
    return result;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

Encoded encodeUtf8(std::u16string_view in) {
    Encoded result;
    result.bytes.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char16_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            appendUtf8(result.bytes, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(in[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(result.bytes, kReplacement);
            result.invalid = true;
        } else {
            appendUtf8(result.bytes, u);
        }
    }
    return result;
}

Decoded decodeUtf16Le(std::string_view in) {
    Decoded result;
    result.text.reserve(in.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < in.size(); i += 2)
        result.text +=
            static_cast<char16_t>(static_cast<unsigned char>(in[i]) | (static_cast<unsigned char>(in[i + 1]) << 8));
    if (in.size() % 2 != 0) {
        result.text += kReplacement;
        result.invalid = true;
    }
    return result;
}

Encoded encodeUtf16Le(std::u16string_view in) {
    Encoded result;
    result.bytes.reserve(in.size() * 2);
    for (const char16_t u : in) {
        result.bytes += static_cast<char>(u & 0xFF);
        result.bytes += static_cast<char>(u >> 8);
    }
    return result;
}

}  // namespace

bool isWellFormedUtf8(std::string_view bytes) noexcept {
    bool valid = true;
    walkUtf8(
        bytes, [](char32_t) {}, [&] { valid = false; });
    return valid;
}

const CodePage* findCodePage(UINT number) noexcept {
    if (number == CP_ACP || number == CP_THREAD_ACP) number = CP_WINDOWS_1250;
    if (number == CP_OEMCP) number = CP_OEM_852;
    for (const CodePage& page : kPages)
        if (page.number == number) return &page;
    return nullptr;
}

const CodePage& codePage(UINT number) {
    const CodePage* page = findCodePage(number);
    if (!page) throw WinError(ERROR_INVALID_PARAMETER, "unknown code page " + std::to_string(number));
    return *page;
}

char16_t decodeByte(const CodePage& page, char byte) noexcept {
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x80 ? char16_t{b} : (*page.high)[b - 0x80];
}

bool encodeUnit(const CodePage& page, char16_t unit, char& byte) noexcept {
    if (unit < 0x80) {
        byte = static_cast<char>(unit);
        return true;
    }
    return reverseOf(page).find(unit, byte);
}

Decoded decode(const CodePage& page, std::string_view bytes) {
    switch (page.kind) {
    case PageKind::Utf8: return decodeUtf8(bytes);
    case PageKind::Utf16Le: return decodeUtf16Le(bytes);
    case PageKind::SingleByte: break;
    }
    Decoded result;
    result.text.reserve(bytes.size());
    for (const char b : bytes) result.text += decodeByte(page, b);
    return result;
}

Encoded encode(const CodePage& page, std::u16string_view text, char defaultChar) {
    switch (page.kind) {
    case PageKind::Utf8: return encodeUtf8(text);
    case PageKind::Utf16Le: return encodeUtf16Le(text);
    case PageKind::SingleByte: break;
    }
    Encoded result;
    result.bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char byte;
        if (encodeUnit(page, text[i], byte)) {
            result.bytes += byte;
            continue;
        }
        // A surrogate pair is one character the page lacks, so one default.
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        result.bytes += defaultChar;
        result.usedDefault = true;
    }
    return result;
}

}  // namespace platform::text
