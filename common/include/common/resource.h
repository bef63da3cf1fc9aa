// The message table: every user-visible text and every error text in Czech,
// Slovak and English, looked up by id and language. Id 10000 + N is the
// text of error number N.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <span>
#include <string>

#include "win32/types.h"

// One row of a table as written in the source: UTF-8 texts, a null text
// standing for an empty one.
struct TResourceRow {
    DWORD id;
    const char* cz;
    const char* sk;
    const char* en;
};

// The signing component's rows, the table of TResource::Instance.
std::span<const TResourceRow> SignerMessageTable();

class TResource {
public:
    // Formatted texts are cut at this many characters.
    static constexpr std::size_t kMaxFormatLength = 1022;

    // The process-wide table over SignerMessageTable(), created on the first
    // call with language 0 (Czech).
    static TResource* Instance();
    // Destroys it; the next Instance starts again in Czech.
    static void ReleaseInstance();

    // Texts become Windows-1250, the narrow code page of the callers.
    explicit TResource(std::span<const TResourceRow> rows);

    // Index 0 Czech, 1 Slovak, 2 English; false for any other index, and the
    // language stays.
    bool SetLanguage(int index);
    // "CZ", "SK" or "EN".
    std::string GetLanguageStr() const;

    // Empty for an unknown id; the Czech text for a language the row lacks.
    std::string Lookup(DWORD id, int language) const;
    std::string GetString(DWORD id) const;

    // The text of id in the current language as a printf format with the
    // arguments, which must match its placeholders; cut at kMaxFormatLength.
    // An unknown id gives an empty result.
    void FormatString(std::string& out, DWORD id, ...) const;
    // The text of error number (0 to 10000: id number + 10000) formatted as
    // FormatString does; empty for any other number or an empty text.
    void FormatMessage(std::string& out, int number, ...) const;
    // The Czech and Slovak plural form for count: 1 takes idOne, 2 to 4
    // idFew, every other count idMany; formatted with count.
    void FormatByKind(std::string& out, int count, DWORD idOne, DWORD idFew, DWORD idMany) const;

private:
    using Texts = std::array<std::string, 3>;

    int m_language = 0;
    std::map<DWORD, Texts> m_table;
    std::map<int, std::string> m_languageNames;
};
