// strings.cpp: string helpers over narrow text (and the wide forms that the
// wide-character builds use).
#include "common/strings.h"

#include <cctype>

#include "win32/text.h"

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

void EraseAll(std::string& text, const std::string& what) {
    if (what.empty()) return;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what))
        text.erase(pos, what.size());
}

std::size_t FindSubstring(const std::string& text, const char* pattern, std::size_t* endPosition, bool backward) {
    if (!pattern || !*pattern) return std::string::npos;
    if (endPosition) *endPosition = std::string::npos;
    const std::string wanted(pattern);
    const std::size_t pos = backward ? text.rfind(wanted) : text.find(wanted);
    if (pos != std::string::npos && endPosition) *endPosition = pos + wanted.size();
    return pos;
}

void TrimLeft(std::string& text, const char* characters) {
    if (!characters) return;
    text.erase(0, text.find_first_not_of(characters));
}

void TrimRight(std::string& text, const char* characters) {
    if (!characters) return;
    const std::size_t last = text.find_last_not_of(characters);
    text.erase(last == std::string::npos ? 0 : last + 1);
}

void StrTrim(std::string& text, const char* characters) {
    TrimRight(text, characters);
    TrimLeft(text, characters);
}

bool CaseInsensitiveFind(const std::string& text, const std::string& pattern) {
    if (text.empty() || pattern.empty()) return false;
    std::string lowerText = text;
    std::string lowerPattern = pattern;
    if (!CharLowerA(lowerText.data()) || !CharLowerA(lowerPattern.data())) return false;
    return lowerText.find(lowerPattern) != std::string::npos;
}

std::string ToUpper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

namespace {

template <class Char>
bool split(const std::basic_string<Char>& text, const std::basic_string<Char>& separator,
           std::vector<std::basic_string<Char>>& out, bool skipTrailingEmpty) {
    if (text.empty() || separator.empty()) return false;
    std::size_t start = 0;
    for (std::size_t pos = text.find(separator); pos != std::basic_string<Char>::npos;
         pos = text.find(separator, start)) {
        out.push_back(text.substr(start, pos - start));
        start = pos + separator.size();
    }
    if (start < text.size() || !skipTrailingEmpty) out.push_back(text.substr(start));
    return true;
}

template <class Char>
std::basic_string<Char> toHex(const BYTE* bytes, std::size_t count, std::size_t groupSize, const Char* separator) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::basic_string<Char> hex;
    if (!bytes) return hex;
    for (std::size_t i = 0; i < count; ++i) {
        if (separator && groupSize > 0 && i > 0 && i % groupSize == 0) hex += separator;
        hex += static_cast<Char>(kDigits[bytes[i] >> 4]);
        hex += static_cast<Char>(kDigits[bytes[i] & 0x0F]);
    }
    return hex;
}

}  // namespace

bool SplitString(const std::string& text, const std::string& separator, std::vector<std::string>& out,
                 bool skipTrailingEmpty) {
    return split(text, separator, out, skipTrailingEmpty);
}

bool SplitString(const std::u16string& text, const std::u16string& separator, std::vector<std::u16string>& out,
                 bool skipTrailingEmpty) {
    return split(text, separator, out, skipTrailingEmpty);
}

INT HexToInt(const std::string& text) {
    DWORD value = 0;
    DWORD weight = 1;
    for (std::size_t i = text.size(); i-- > 0;) {
        const char c = text[i];
        if (c == 'x' || c == 'X') break;
        DWORD digit = static_cast<DWORD>(c - '0');
        if (c >= 'a' && c <= 'f') digit = static_cast<DWORD>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F') digit = static_cast<DWORD>(c - 'A' + 10);
        value += digit * weight;
        weight *= 16;
    }
    return static_cast<INT>(value);
}

std::size_t HexToBytes(const std::string& text, std::vector<BYTE>& out) {
    if (text.empty()) return 0;
    for (std::size_t i = 0; i < text.size(); i += 2)
        out.push_back(static_cast<BYTE>(HexToInt(text.substr(i, 2)) & 0xFF));
    return out.size();
}

std::string BytesToHex(const BYTE* bytes, std::size_t count, std::size_t groupSize, const char* separator) {
    return toHex(bytes, count, groupSize, separator);
}

std::u16string BytesToHex(const BYTE* bytes, std::size_t count, std::size_t groupSize, const char16_t* separator) {
    return toHex(bytes, count, groupSize, separator);
}

std::string& BytesToHexGrouped(const BYTE* bytes, std::size_t count, bool spaced, std::string& out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.clear();
    for (std::size_t i = 0; bytes && i < count; ++i) {
        if (spaced && i > 0) out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

std::string ULongToStr(DWORD value) { return std::to_string(value); }

std::string JoinStringList(const std::vector<int>& encoded, const std::string& separator) {
    // X.690 8.19: each arc is base 128, high bit set on every byte but its last.
    std::vector<ULONGLONG> arcs;
    ULONGLONG value = 0;
    bool inArc = false;
    for (const int element : encoded) {
        const BYTE byte = static_cast<BYTE>(element & 0xFF);
        if (value >> 57) return {};  // the arc would not fit in 64 bits
        value = (value << 7) | (byte & 0x7F);
        inArc = (byte & 0x80) != 0;
        if (!inArc) {
            arcs.push_back(value);
            value = 0;
        }
    }
    if (arcs.empty() || inArc) return {};

    // The first arc carries the first two: 40 * first + second.
    const ULONGLONG first = arcs[0] < 40 ? 0 : arcs[0] < 80 ? 1 : 2;
    std::string text = std::to_string(first) + separator + std::to_string(arcs[0] - 40 * first);
    for (std::size_t i = 1; i < arcs.size(); ++i) text += separator + std::to_string(arcs[i]);
    return text;
}
