// The printf engine: parsing of conversions and the output of each kind.
#include "format_engine.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "codepages.h"
#include "platform/text.h"

namespace platform::text {

namespace {

// A double has at most 767 significant decimal digits and 1074 after the
// point, so digits asked for beyond this are zeros and are added without
// making the C library build them.
constexpr int kMaxFloatPrecision = 1100;

enum class Size { None, Char, Short, Long, LongLong, Int32, Int64, Pointer };

struct Conversion {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    bool widthStar = false, precisionStar = false;
    int width = 0;
    int precision = -1;  // none
    Size size = Size::None;
    char type = 0;
};

bool isOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

template <class Char>
char asciiAt(const Char* p) {
    const auto c = static_cast<std::make_unsigned_t<Char>>(*p);
    return c < 0x80 ? static_cast<char>(c) : '\x7F';
}

template <class Char>
bool parseNumber(const Char*& p, int& value) {
    long long v = 0;
    while (asciiAt(p) >= '0' && asciiAt(p) <= '9') {
        v = v * 10 + (asciiAt(p) - '0');
        if (v > INT_MAX) return false;
        ++p;
    }
    value = static_cast<int>(v);
    return true;
}

// Parses the conversion that starts after a '%' and moves p past it.
template <class Char>
std::optional<Conversion> parse(const Char*& p) {
    Conversion c;
    const auto takeFlag = [&](char f) {
        switch (f) {
        case '-': return c.left = true;
        case '+': return c.plus = true;
        case ' ': return c.space = true;
        case '#': return c.alt = true;
        case '0': return c.zero = true;
        default: return false;
        }
    };
    while (takeFlag(asciiAt(p))) ++p;
    if (asciiAt(p) == '*') {
        c.widthStar = true;
        ++p;
    } else if (!parseNumber(p, c.width)) {
        return std::nullopt;
    }
    if (asciiAt(p) == '.') {
        ++p;
        if (asciiAt(p) == '*') {
            c.precisionStar = true;
            ++p;
        } else if (!parseNumber(p, c.precision)) {
            return std::nullopt;
        }
    }
    const auto startsWith = [&](std::string_view s) {
        for (std::size_t i = 0; i < s.size(); ++i)
            if (asciiAt(p + i) != s[i]) return false;
        return true;
    };
    struct SizePrefix {
        std::string_view text;
        Size size;
    };
    static constexpr SizePrefix kSizes[] = {{"hh", Size::Char},   {"h", Size::Short},   {"ll", Size::LongLong},
                                            {"l", Size::Long},    {"I64", Size::Int64}, {"I32", Size::Int32},
                                            {"I", Size::Pointer}, {"z", Size::Pointer}};
    for (const SizePrefix& prefix : kSizes) {
        if (startsWith(prefix.text)) {
            c.size = prefix.size;
            p += prefix.text.size();
            break;
        }
    }
    c.type = asciiAt(p);
    if (!isOneOf(c.type, "diuxXocCsSeEfFgGp%")) return std::nullopt;  // %n is refused with the unknown ones
    ++p;
    return c;
}

bool isInteger(const Conversion& c) { return isOneOf(c.type, "diuxXo"); }
bool isFloat(const Conversion& c) { return isOneOf(c.type, "eEfFgG"); }
bool is64Bit(const Conversion& c) {
    return c.size == Size::LongLong || c.size == Size::Int64 || c.size == Size::Pointer;
}

template <class Char>
void putAscii(FormatSink<Char>& out, std::string_view s) {
    for (const char c : s) out.repeat(static_cast<Char>(c), 1);
}

// Spaces before or after a body of the given length, to the field width.
template <class Char, class Body>
void putPadded(FormatSink<Char>& out, const Conversion& c, std::size_t length, Body&& body) {
    const std::size_t pad = static_cast<std::size_t>(c.width) > length ? c.width - length : 0;
    if (!c.left) out.repeat(Char(' '), pad);
    body();
    if (c.left) out.repeat(Char(' '), pad);
}

template <class Char>
void putInteger(FormatSink<Char>& out, const Conversion& c, FormatArgs& args) {
    const bool isSigned = c.type == 'd' || c.type == 'i';
    std::uint64_t magnitude = 0;
    bool negative = false;
    if (isSigned) {
        long long v = 0;
        switch (c.size) {
        case Size::Char: v = static_cast<signed char>(args.nextInt()); break;
        case Size::Short: v = static_cast<short>(args.nextInt()); break;
        case Size::LongLong:
        case Size::Int64:
        case Size::Pointer: v = args.nextLongLong(); break;
        default: v = args.nextInt(); break;
        }
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    } else {
        switch (c.size) {
        case Size::Char: magnitude = static_cast<unsigned char>(args.nextInt()); break;
        case Size::Short: magnitude = static_cast<unsigned short>(args.nextInt()); break;
        case Size::LongLong:
        case Size::Int64:
        case Size::Pointer: magnitude = static_cast<std::uint64_t>(args.nextLongLong()); break;
        default: magnitude = static_cast<unsigned>(args.nextInt()); break;
        }
    }
    const unsigned base = c.type == 'o' ? 8 : (c.type == 'x' || c.type == 'X') ? 16 : 10;
    const char* digitSet = c.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    if (magnitude != 0 || c.precision != 0) {
        for (std::uint64_t v = magnitude; digits.empty() || v != 0; v /= base)
            digits.insert(digits.begin(), digitSet[v % base]);
    }
    std::size_t zeros =
        c.precision > 0 && static_cast<std::size_t>(c.precision) > digits.size() ? c.precision - digits.size() : 0;
    if (c.alt && base == 8 && zeros == 0 && (digits.empty() || digits[0] != '0')) zeros = 1;
    std::string prefix;
    if (isSigned && negative)
        prefix = "-";
    else if (isSigned && c.plus)
        prefix = "+";
    else if (isSigned && c.space)
        prefix = " ";
    if (c.alt && base == 16 && magnitude != 0) prefix = c.type == 'X' ? "0X" : "0x";

    const std::size_t length = prefix.size() + zeros + digits.size();
    if (c.zero && !c.left && c.precision < 0 && static_cast<std::size_t>(c.width) > length) zeros += c.width - length;
    putPadded(out, c, prefix.size() + zeros + digits.size(), [&] {
        putAscii(out, prefix);
        out.repeat(Char('0'), zeros);
        putAscii(out, digits);
    });
}

// As Windows prints pointers: upper-case hexadecimal, all digits, no prefix.
template <class Char>
void putPointer(FormatSink<Char>& out, const Conversion& c, FormatArgs& args) {
    auto v = reinterpret_cast<std::uintptr_t>(args.nextPointer());
    std::string digits(sizeof(void*) * 2, '0');
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, v >>= 4) *it = "0123456789ABCDEF"[v & 0xF];
    putPadded(out, c, digits.size(), [&] { putAscii(out, digits); });
}

template <class Char>
void putFloat(FormatSink<Char>& out, const Conversion& c, FormatArgs& args) {
    const double v = args.nextDouble();
    int precision = c.precision < 0 ? 6 : c.precision;
    std::size_t extraZeros = 0;
    if (precision > kMaxFloatPrecision) {
        // %g drops trailing zeros unless '#' keeps them.
        if (!isOneOf(c.type, "gG") || c.alt) extraZeros = precision - kMaxFloatPrecision;
        precision = kMaxFloatPrecision;
    }
    std::string spec = "%";
    if (c.plus) spec += '+';
    if (c.space) spec += ' ';
    if (c.alt) spec += '#';
    spec += ".*";
    spec += c.type;
    const int n = std::snprintf(nullptr, 0, spec.c_str(), precision, v);
    std::string text(static_cast<std::size_t>(n), '\0');
    std::snprintf(text.data(), text.size() + 1, spec.c_str(), precision, v);

    const bool finite = std::isfinite(v);
    if (!finite) extraZeros = 0;
    const std::size_t signLength = !text.empty() && isOneOf(text[0], "+- ") ? 1 : 0;
    const std::size_t exponent = std::min(text.find_first_of("eE"), text.size());
    const std::size_t length = text.size() + extraZeros;
    std::size_t padZeros = 0;
    if (c.zero && !c.left && finite && static_cast<std::size_t>(c.width) > length) padZeros = c.width - length;
    putPadded(out, c, length + padZeros, [&] {
        putAscii(out, std::string_view(text).substr(0, signLength));
        out.repeat(Char('0'), padZeros);
        putAscii(out, std::string_view(text).substr(signLength, exponent - signLength));
        out.repeat(Char('0'), extraZeros);
        putAscii(out, std::string_view(text).substr(exponent));
    });
}

// Whether %s / %c take a wide argument: h forces narrow, l wide; otherwise
// s and c follow the format and S and C take the other kind.
template <class Char>
bool takesWide(const Conversion& c) {
    if (c.size == Size::Short) return false;
    if (c.size == Size::Long) return true;
    const bool wideFormat = std::is_same_v<Char, char16_t>;
    return (c.type == 's' || c.type == 'c') ? wideFormat : !wideFormat;
}

template <class From>
std::size_t boundedLength(const From* s, int precision) {
    std::size_t n = 0;
    while ((precision < 0 || n < static_cast<std::size_t>(precision)) && s[n]) ++n;
    return n;
}

template <class Char>
std::basic_string<Char> textAs(std::string_view narrow) {
    if constexpr (std::is_same_v<Char, char>)
        return std::string(narrow);
    else
        return toWide(narrow, CP_ACP);
}

template <class Char>
std::basic_string<Char> textAs(std::u16string_view wide) {
    if constexpr (std::is_same_v<Char, char16_t>)
        return std::u16string(wide);
    else
        return toNarrow(wide, CP_ACP);
}

template <class Char>
void putString(FormatSink<Char>& out, const Conversion& c, FormatArgs& args) {
    const void* p = args.nextPointer();
    std::basic_string<Char> text;
    if (!p) {
        text = textAs<Char>(std::string_view("(null)").substr(0, boundedLength("(null)", c.precision)));
    } else if (takesWide<Char>(c)) {
        const auto* s = static_cast<const char16_t*>(p);
        text = textAs<Char>(std::u16string_view(s, boundedLength(s, c.precision)));
    } else {
        const auto* s = static_cast<const char*>(p);
        text = textAs<Char>(std::string_view(s, boundedLength(s, c.precision)));
    }
    putPadded(out, c, text.size(), [&] { out.put(text); });
}

// A character of the other width goes through the ANSI page; a wide one
// the page lacks prints as '?'.
template <class Char>
void putChar(FormatSink<Char>& out, const Conversion& c, FormatArgs& args) {
    const int value = args.nextInt();
    const CodePage& ansi = *findCodePage(CP_ACP);
    Char ch;
    if constexpr (std::is_same_v<Char, char16_t>) {
        ch = takesWide<Char>(c) ? static_cast<char16_t>(value) : decodeByte(ansi, static_cast<char>(value));
    } else {
        ch = static_cast<char>(value);
        if (takesWide<Char>(c) && !encodeUnit(ansi, static_cast<char16_t>(value), ch)) ch = '?';
    }
    putPadded(out, c, 1, [&] { out.repeat(ch, 1); });
}

}  // namespace

template <class Char>
std::optional<std::vector<ArgKind>> argumentsOf(std::basic_string_view<Char> conversion) {
    const std::basic_string<Char> text(conversion);
    const Char* p = text.c_str();
    const auto c = parse(p);
    if (!c || p != text.c_str() + text.size()) return std::nullopt;
    std::vector<ArgKind> kinds;
    if (c->widthStar) kinds.push_back(ArgKind::Int);
    if (c->precisionStar) kinds.push_back(ArgKind::Int);
    if (isInteger(*c))
        kinds.push_back(is64Bit(*c) ? ArgKind::LongLong : ArgKind::Int);
    else if (isFloat(*c))
        kinds.push_back(ArgKind::Double);
    else if (isOneOf(c->type, "cC"))
        kinds.push_back(ArgKind::Int);
    else if (isOneOf(c->type, "sSp"))
        kinds.push_back(ArgKind::Pointer);
    return kinds;
}

template <class Char>
bool formatInto(FormatSink<Char>& out, const Char* format, FormatArgs& args) {
    const Char* p = format;
    while (*p) {
        const Char* literal = p;
        while (*p && *p != Char('%')) ++p;
        out.put(std::basic_string_view<Char>(literal, p - literal));
        if (!*p) break;
        ++p;
        auto c = parse(p);
        if (!c) return false;
        if (c->widthStar) {
            const int w = args.nextInt();
            if (w < 0) c->left = true;
            c->width = w == INT_MIN ? INT_MAX : std::abs(w);
        }
        if (c->precisionStar) c->precision = std::max(args.nextInt(), -1);
        if (c->type == '%')
            out.repeat(Char('%'), 1);
        else if (isInteger(*c))
            putInteger(out, *c, args);
        else if (isFloat(*c))
            putFloat(out, *c, args);
        else if (c->type == 'p')
            putPointer(out, *c, args);
        else if (c->type == 's' || c->type == 'S')
            putString(out, *c, args);
        else
            putChar(out, *c, args);
    }
    return true;
}

template std::optional<std::vector<ArgKind>> argumentsOf(std::basic_string_view<char>);
template std::optional<std::vector<ArgKind>> argumentsOf(std::basic_string_view<char16_t>);
template bool formatInto(FormatSink<char>&, const char*, FormatArgs&);
template bool formatInto(FormatSink<char16_t>&, const char16_t*, FormatArgs&);

}  // namespace platform::text
