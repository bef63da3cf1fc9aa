// FormatMessage: a message definition (a caller's string or a system text)
// with its escapes and its inserts %1..%99 expanded. An insert may carry a
// printf conversion between '!' (%1!08X!, %2!*s!: each '*' takes the next
// argument number); its argument comes from a va_list, read in number order,
// or from an array of pointer-sized values. The line width in the low byte
// of the flags is not applied: line breaks stay as the definition has them.
#include <cstring>
#include <map>

#include "format_engine.h"
#include "platform/boundary.h"
#include "platform/system_messages.h"
#include "win32/memory.h"
#include "win32/message.h"

namespace platform::text {

namespace {

// The longest message FormatMessage produces, in bytes.
constexpr std::size_t kMaxMessageBytes = 128 * 1024;
constexpr unsigned kMaxInsert = 99;

template <class Char>
std::basic_string<Char> ascii(std::string_view s) {
    return std::basic_string<Char>(s.begin(), s.end());
}

[[noreturn]] void badDefinition(const char* what) { throw WinError(ERROR_INVALID_PARAMETER, what); }

template <class Char>
struct Insert {
    unsigned number;
    std::basic_string<Char> conversion;  // printf conversion without '%', "s" by default
    std::vector<ArgKind> kinds;          // the arguments it takes from `number` on
};

// A definition split into literal text and inserts, escapes resolved.
template <class Char>
struct Piece {
    std::basic_string<Char> text;
    std::optional<Insert<Char>> insert;
};

template <class Char>
std::vector<Piece<Char>> parseDefinition(std::basic_string_view<Char> s) {
    std::vector<Piece<Char>> pieces(1);
    const auto literal = [&](std::basic_string_view<Char> text) {
        if (pieces.back().insert) pieces.emplace_back();
        pieces.back().text += text;
    };
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t percent = std::min(s.find(Char('%'), i), s.size());
        literal(s.substr(i, percent - i));
        if (percent + 1 >= s.size()) break;  // a '%' at the end prints nothing
        const Char c = s[percent + 1];
        i = percent + 2;
        if (c == Char('0')) break;  // ends the message here
        if (c >= Char('1') && c <= Char('9')) {
            unsigned number = c - Char('0');
            if (i < s.size() && s[i] >= Char('0') && s[i] <= Char('9')) number = number * 10 + (s[i++] - Char('0'));
            Insert<Char> insert{number, ascii<Char>("s"), {}};
            if (i < s.size() && s[i] == Char('!')) {
                const std::size_t close = s.find(Char('!'), i + 1);
                if (close == std::basic_string_view<Char>::npos || close == i + 1)
                    badDefinition("unclosed insert format");
                insert.conversion = s.substr(i + 1, close - i - 1);
                i = close + 1;
            }
            const auto kinds = argumentsOf<Char>(insert.conversion);
            if (!kinds || kinds->empty()) badDefinition("insert format not valid");
            for (const ArgKind kind : *kinds)
                if (kind == ArgKind::Double) badDefinition("no floating-point inserts");
            if (number + kinds->size() - 1 > kMaxInsert) badDefinition("insert number above 99");
            insert.kinds = *kinds;
            pieces.push_back({{}, std::move(insert)});
            continue;
        }
        switch (static_cast<char16_t>(c)) {
        case u'n': literal(ascii<Char>("\r\n")); break;
        case u'r': literal(ascii<Char>("\r")); break;
        case u't': literal(ascii<Char>("\t")); break;
        case u'b': literal(ascii<Char>(" ")); break;
        default: literal(std::basic_string<Char>(1, c)); break;  // %% %. %! and "% " give the character itself
        }
    }
    return pieces;
}

// The inserts' arguments as pointer-sized values, by number. Numbers no
// insert names are still read, pointer-sized, so that later numbers land
// on their own arguments.
template <class Char>
std::vector<std::uint64_t> insertValues(const std::vector<Piece<Char>>& pieces, va_list* args, bool isArray) {
    std::map<unsigned, ArgKind> kinds;
    for (const auto& piece : pieces) {
        if (!piece.insert) continue;
        for (std::size_t k = 0; k < piece.insert->kinds.size(); ++k)
            kinds.emplace(piece.insert->number + static_cast<unsigned>(k), piece.insert->kinds[k]);
    }
    if (kinds.empty()) return {};
    if (!args) throw WinError(ERROR_INVALID_PARAMETER, "the message has inserts but no arguments were given");
    std::vector<std::uint64_t> values(kinds.rbegin()->first);
    const auto* array = reinterpret_cast<const ULONG_PTR*>(args);
    for (unsigned n = 1; n <= values.size(); ++n) {
        const auto it = kinds.find(n);
        const ArgKind kind = it == kinds.end() ? ArgKind::Pointer : it->second;
        if (isArray)
            values[n - 1] = array[n - 1];
        else if (kind == ArgKind::Int)
            values[n - 1] = static_cast<std::uint64_t>(static_cast<long long>(va_arg(*args, int)));
        else if (kind == ArgKind::LongLong)
            values[n - 1] = static_cast<std::uint64_t>(va_arg(*args, long long));
        else
            values[n - 1] = reinterpret_cast<std::uintptr_t>(va_arg(*args, const void*));
    }
    return values;
}

// Hands one insert its values in order.
class InsertArgs final : public FormatArgs {
public:
    InsertArgs(const std::vector<std::uint64_t>& values, unsigned first) : m_values(values), m_next(first - 1) {}
    int nextInt() override { return static_cast<int>(next()); }
    long long nextLongLong() override { return static_cast<long long>(next()); }
    double nextDouble() override { throw WinError(ERROR_INVALID_PARAMETER, "no floating-point inserts"); }
    const void* nextPointer() override { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(next())); }

private:
    std::uint64_t next() { return m_values.at(m_next++); }
    const std::vector<std::uint64_t>& m_values;
    std::size_t m_next;
};

template <class Char>
std::basic_string<Char> expand(std::basic_string_view<Char> definition, va_list* args, bool isArray) {
    const auto pieces = parseDefinition(definition);
    const auto values = insertValues(pieces, args, isArray);
    FormatSink<Char> out(kMaxMessageBytes / sizeof(Char));
    for (const auto& piece : pieces) {
        out.put(piece.text);
        if (!piece.insert) continue;
        InsertArgs insertArgs(values, piece.insert->number);
        const std::basic_string<Char> conversion = Char('%') + piece.insert->conversion;
        formatInto(out, conversion.c_str(), insertArgs);
    }
    if (out.overflowed()) throw WinError(ERROR_MORE_DATA, "message longer than 128K bytes");
    return std::move(out.kept());
}

// The system's texts are English; a caller may ask for the neutral or the
// default language or for English.
void checkLanguage(DWORD languageId) {
    const DWORD primary = languageId & 0x3FF;
    if (primary != LANG_NEUTRAL && primary != LANG_ENGLISH)
        throw WinError(ERROR_RESOURCE_LANG_NOT_FOUND, "no message text in that language");
}

template <class Char>
std::basic_string<Char> definitionOf(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId) {
    const bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
    const bool fromTable = flags & (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE);
    if (fromString == fromTable) throw WinError(ERROR_INVALID_PARAMETER, "one message source is needed");
    if (fromString) {
        if (!source) throw WinError(ERROR_INVALID_PARAMETER, "null message definition");
        return static_cast<const Char*>(source);
    }
    checkLanguage(languageId);
    const std::string_view text = systemMessage(messageId);
    if (text.empty()) throw WinError(ERROR_MR_MID_NOT_FOUND, "no message text for the code");
    return ascii<Char>(text) + ascii<Char>("\r\n");  // the texts are ASCII
}

template <class Char>
DWORD formatMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, Char* buffer, DWORD size,
                    va_list* args) noexcept {
    return winValue<DWORD>(0, [&] {
        if (!buffer) throw WinError(ERROR_INVALID_PARAMETER, "null output buffer");
        const std::basic_string<Char> definition = definitionOf<Char>(flags, source, messageId, languageId);
        const std::basic_string<Char> text =
            (flags & FORMAT_MESSAGE_IGNORE_INSERTS)
                ? definition
                : expand<Char>(definition, args, flags & FORMAT_MESSAGE_ARGUMENT_ARRAY);
        Char* out = buffer;
        if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
            const std::size_t chars = std::max<std::size_t>(size, text.size() + 1);
            out = static_cast<Char*>(LocalAlloc(LMEM_FIXED, chars * sizeof(Char)));
            if (!out) throw WinError(ERROR_NOT_ENOUGH_MEMORY, "LocalAlloc");
            *reinterpret_cast<Char**>(buffer) = out;
        } else if (text.size() + 1 > size) {
            throw WinError(ERROR_INSUFFICIENT_BUFFER, "message buffer too small");
        }
        std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(Char));
        return static_cast<DWORD>(text.size());
    });
}

}  // namespace

}  // namespace platform::text

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list* Arguments) noexcept {
    return platform::text::formatMessage(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize, Arguments);
}

DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments) noexcept {
    return platform::text::formatMessage(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize, Arguments);
}
