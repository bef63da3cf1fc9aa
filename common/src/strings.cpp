// strings.cpp: string helpers over narrow text (and the wide forms that the
// wide-character builds use).
#include "common/strings.h"

#include <cctype>

#include "common/replace_each.h"
#include "win32/text.h"

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    ReplaceEach<char>(text, from, to, static_cast<std::ptrdiff_t>(to.size()));
}

void EraseAll(std::string& text, const std::string& what) {
    // Only the characters before a removal can join with those after it.
    ReplaceEach<char>(text, what, {}, 1 - static_cast<std::ptrdiff_t>(what.size()));
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

namespace {

// OID content beyond this many bytes is refused: ordinary identifiers take a
// few dozen, and the decimal conversion below grows with the square of an
// arc's length.
constexpr std::size_t kMaxOidContent = 256;

// An arc as decimal digits, least significant first; zero has none.
void MulAdd128(std::string& digits, unsigned group) {
    unsigned carry = group;
    for (char& digit : digits) {
        const unsigned value = static_cast<unsigned>(digit - '0') * 128 + carry;
        digit = static_cast<char>('0' + value % 10);
        carry = value / 10;
    }
    for (; carry; carry /= 10) digits += static_cast<char>('0' + carry % 10);
}

// Only called with an arc of at least amount.
void Subtract(std::string& digits, unsigned amount) {
    for (std::size_t i = 0; amount && i < digits.size(); ++i) {
        const unsigned digit = static_cast<unsigned>(digits[i] - '0');
        const unsigned take = amount % 10;
        amount /= 10;
        if (digit < take) ++amount;  // borrow from the next digit
        digits[i] = static_cast<char>('0' + (digit + 10 - take) % 10);
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
}

// The arc's value when below 100, else 100: enough to tell the first arc.
unsigned SmallValue(const std::string& digits) {
    if (digits.size() > 2) return 100;
    unsigned value = 0;
    for (std::size_t i = digits.size(); i-- > 0;) value = value * 10 + static_cast<unsigned>(digits[i] - '0');
    return value;
}

std::string ArcText(const std::string& digits) {
    return digits.empty() ? "0" : std::string(digits.rbegin(), digits.rend());
}

}  // namespace

std::string JoinStringList(const std::vector<int>& encoded, const std::string& separator) {
    // X.690 8.19: each arc is base 128, high bit set on every byte but its last.
    if (encoded.size() > kMaxOidContent) return {};
    std::vector<std::string> arcs;
    std::string digits;
    bool inArc = false;
    for (const int element : encoded) {
        const BYTE byte = static_cast<BYTE>(element & 0xFF);
        MulAdd128(digits, byte & 0x7F);
        inArc = (byte & 0x80) != 0;
        if (!inArc) {
            arcs.push_back(std::move(digits));
            digits.clear();
        }
    }
    if (arcs.empty() || inArc) return {};

    // The first arc carries the first two: 40 * first + second.
    const unsigned combined = SmallValue(arcs[0]);
    const unsigned first = combined < 40 ? 0 : combined < 80 ? 1 : 2;
    Subtract(arcs[0], 40 * first);
    std::string text = std::to_string(first);
    for (const std::string& arc : arcs) text += separator + ArcText(arc);
    return text;
}
