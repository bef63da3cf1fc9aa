// The OID description table and its file reader.
#include "asn1view/oid_db.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace asn1view {
namespace {

// The longest line, without its line end: a longer one ends the loading,
// keeping what was read before (the file is no description file), whether
// or not a line end follows it.
constexpr std::size_t kLineLimit = 999;

bool ParseArc(const std::string& word, std::int32_t& arc) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
    arc = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

OidDb& OidDb::Instance() {
    static OidDb* instance = new OidDb;  // lives as long as the process
    return *instance;
}

const char* OidDb::FileName(DWORD language) noexcept {
    static constexpr const char* kNames[] = {"oiddb.cz.cfg", "oiddb.sk.cfg", "oiddb.en.cfg"};
    return language < 3 ? kNames[language] : kNames[0];
}

bool OidDb::Load(const char* directory) {
    std::string path = directory ? directory : "";
    if (!path.empty() && path.back() != '/') path += '/';
    path += FileName(m_language);
    std::ifstream file(path);
    if (!file) return false;
    if (m_language != m_loadedLanguage) m_descriptions.clear();
    m_loadedLanguage = m_language;
    m_current.clear();
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kLineLimit) break;
        ReadLine(line);
    }
    return true;
}

// The key, then one separator character (usually "="), then the value.
void OidDb::ReadLine(const std::string& line) {
    if (line.empty() || line[0] == '#') return;
    std::istringstream in(line);
    std::string key;
    char separator = 0;
    if (!(in >> key) || !(in >> separator)) {
        if (key == "Description") m_descriptions[m_current].clear();
        return;
    }
    std::string word;
    if (key == "OID") {
        m_current.clear();
        std::int32_t arc = 0;
        while (in >> word && ParseArc(word, arc)) m_current.push_back(arc);
    } else if (key == "Description") {
        std::string text;
        while (in >> word) text += (text.empty() ? "" : " ") + word;
        m_descriptions[m_current] = text;
    }
}

std::string OidDb::Lookup(const std::vector<std::int32_t>& arcs) const {
    if (m_language != m_loadedLanguage) return {};
    const auto found = m_descriptions.find(arcs);
    return found == m_descriptions.end() ? std::string() : found->second;
}

}  // namespace asn1view
