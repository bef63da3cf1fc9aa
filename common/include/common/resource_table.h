// TResourceTable: a message table of rows holding an id and three texts
// (Czech, Slovak, English), looked up by id and language index, with a
// short code per language and printf-style formatting of a text cut at a
// fixed length. One implementation serves every deliverable's table: the
// signing component's is narrow (Windows-1250) with unsigned ids, the
// enrolment library's UTF-16 with signed ids.
#pragma once

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "win32/types.h"

// One row of a table as written in the source: UTF-8 texts, a null text
// standing for an empty one.
template <class Id>
struct TResourceRowOf {
    Id id;
    const char* cz;
    const char* sk;
    const char* en;
};

// Char is char (texts become Windows-1250) or char16_t (texts become UTF-16).
template <class Char, class Id>
class TResourceTable {
public:
    using String = std::basic_string<Char>;
    using Row = TResourceRowOf<Id>;
    // The codes of languages 0, 1 and 2, ASCII.
    using LanguageCodes = std::array<const char*, 3>;

    // Formatted texts are cut at maxFormatLength characters.
    TResourceTable(std::span<const Row> rows, const LanguageCodes& codes, std::size_t maxFormatLength);

    // Index 0 Czech, 1 Slovak, 2 English; false for any other index, and the
    // language stays.
    bool SetLanguage(int index);
    // The language whose code matches without regard to case; false for any
    // other text, and the language stays.
    bool SetLanguageStr(std::basic_string_view<Char> code);
    // The current language's code.
    String GetLanguageStr() const;
    // The current language: 0 Czech, 1 Slovak, 2 English.
    int GetLanguage() const noexcept { return m_language; }

    // Empty for an unknown id; the Czech text for a language the row lacks.
    String Lookup(Id id, int language) const;
    String GetString(Id id) const;

protected:
    // format as a printf format with the arguments (the layer's rules: in a
    // wide format %s is wide text), cut at the table's limit.
    String FormatCut(const String& format, va_list args) const;

private:
    using Texts = std::array<String, 3>;

    std::atomic<int> m_language = 0;  // set and read by objects in several threads
    std::size_t m_maxFormatLength;
    std::map<Id, Texts> m_table;
    std::map<int, String> m_languageNames;
};

extern template class TResourceTable<char, DWORD>;
extern template class TResourceTable<char16_t, int>;
