// TResourceTable: rows, languages, lookups and cut formatting, for the
// narrow and the wide tables.
#include "common/resource_table.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "win32/format.h"

namespace {

// The source keeps every table in UTF-8; each form converts once, when the
// table is built.
void convert(const char* utf8, std::string& out) { out = utf8 ? platform::text::utf8ToAnsi(utf8) : std::string(); }
void convert(const char* utf8, std::u16string& out) {
    out = utf8 ? platform::text::fromUtf8(utf8) : std::u16string();
}

int truncatingFormat(char* buffer, std::size_t count, const char* format, va_list args) {
    return _vsnprintf(buffer, count, format, args);
}
int truncatingFormat(char16_t* buffer, std::size_t count, const char16_t* format, va_list args) {
    return _vsnwprintf(buffer, count, format, args);
}

template <class Char>
Char asciiUpper(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

template <class Char>
bool equalsAsciiNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    return std::ranges::equal(a, b, [](Char x, Char y) { return asciiUpper(x) == asciiUpper(y); });
}

}  // namespace

template <class Char, class Id>
TResourceTable<Char, Id>::TResourceTable(std::span<const Row> rows, const LanguageCodes& codes,
                                         std::size_t maxFormatLength)
    : m_maxFormatLength(maxFormatLength) {
    for (int index = 0; index < static_cast<int>(codes.size()); ++index) convert(codes[index], m_languageNames[index]);
    for (const Row& row : rows) {
        Texts& texts = m_table[row.id];
        convert(row.cz, texts[0]);
        convert(row.sk, texts[1]);
        convert(row.en, texts[2]);
    }
}

template <class Char, class Id>
bool TResourceTable<Char, Id>::SetLanguage(int index) {
    if (!m_languageNames.contains(index)) return false;
    m_language = index;
    return true;
}

template <class Char, class Id>
bool TResourceTable<Char, Id>::SetLanguageStr(std::basic_string_view<Char> code) {
    for (const auto& [index, name] : m_languageNames) {
        if (!equalsAsciiNoCase<Char>(name, code)) continue;
        m_language = index;
        return true;
    }
    return false;
}

template <class Char, class Id>
auto TResourceTable<Char, Id>::GetLanguageStr() const -> String {
    return m_languageNames.at(m_language);
}

template <class Char, class Id>
auto TResourceTable<Char, Id>::Lookup(Id id, int language) const -> String {
    const auto row = m_table.find(id);
    if (row == m_table.end()) return {};
    const Texts& texts = row->second;
    // A negative index is as far out of the row as a large one.
    const auto index = static_cast<std::size_t>(language);
    return index < texts.size() ? texts[index] : texts[0];
}

template <class Char, class Id>
auto TResourceTable<Char, Id>::GetString(Id id) const -> String {
    return Lookup(id, m_language);
}

// The truncating print adds no NUL when it cuts the output; the zeroed
// element behind the text part of the buffer ends the string then.
template <class Char, class Id>
auto TResourceTable<Char, Id>::FormatCut(const String& format, va_list args) const -> String {
    std::vector<Char> buffer(m_maxFormatLength + 1, Char{});
    truncatingFormat(buffer.data(), m_maxFormatLength, format.c_str(), args);
    return buffer.data();
}

template class TResourceTable<char, DWORD>;
template class TResourceTable<char16_t, int>;
