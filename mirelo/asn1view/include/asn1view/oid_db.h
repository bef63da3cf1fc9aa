// Readable descriptions of object identifiers, read from the description
// file of the user-interface language: "oiddb.cz.cfg", "oiddb.sk.cfg" or
// "oiddb.en.cfg" (ANSI text; "OID = 1 2 840" lines, each followed by a
// "Description = text" line; "#" in the first column starts a comment).
// One table per process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "win32/types.h"

namespace asn1view {

class OidDb {
public:
    static OidDb& Instance();

    DWORD Language() const noexcept { return m_language; }
    // 0 Czech, 1 Slovak, 2 English.
    void SetLanguage(DWORD language) noexcept { m_language = language; }
    // Reads the current language's file from the folder, named as the file
    // system names it (as ComponentDirectory gives it; null: the current
    // folder). False when the file cannot be opened; the table is then
    // unchanged. A file of another language than the one loaded before
    // replaces the table; the same language again adds to it.
    bool Load(const char* directory);
    // The description of exactly these arcs in the current language, or
    // empty (also when that language's file was not loaded).
    std::string Lookup(const std::vector<std::int32_t>& arcs) const;

    static const char* FileName(DWORD language) noexcept;

private:
    OidDb() = default;
    void ReadLine(const std::string& line);

    DWORD m_language = 0;
    DWORD m_loadedLanguage = ~DWORD{0};
    std::vector<std::int32_t> m_current;
    std::map<std::vector<std::int32_t>, std::string> m_descriptions;
};

}  // namespace asn1view
