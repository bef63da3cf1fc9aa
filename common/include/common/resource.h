// The signing component's message table: every user-visible text and every
// error text in Czech, Slovak and English, looked up by id and language
// (resource_table.h). Id 10000 + N is the text of error number N.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/resource_table.h"
#include "win32/types.h"

using TResourceRow = TResourceRowOf<DWORD>;

// The signing component's rows, the table of TResource::Instance.
std::span<const TResourceRow> SignerMessageTable();

// Texts in Windows-1250, the narrow code page of the callers; languages
// "CZ", "SK" and "EN".
class TResource : public TResourceTable<char, DWORD> {
public:
    // Formatted texts are cut at this many characters.
    static constexpr std::size_t kMaxFormatLength = 1022;

    // The process-wide table over SignerMessageTable(), created on the first
    // call with language 0 (Czech).
    static TResource* Instance();
    // Destroys it; the next Instance starts again in Czech.
    static void ReleaseInstance();

    explicit TResource(std::span<const TResourceRow> rows);

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
};
