#include "registry_script.h"

#include <cstdlib>

#include "platform/text.h"
#include "platform/win_error.h"
#include "reg_key.h"

namespace platform::com {

namespace {

[[noreturn]] void bad(std::size_t line, const std::string& what) {
    throw WinError(SELFREG_E_CLASS, "registry script line " + std::to_string(line) + ": " + what);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

HKEY rootOf(std::string_view name) {
    if (name == "HKCR") return HKEY_CLASSES_ROOT;
    if (name == "HKLM") return HKEY_LOCAL_MACHINE;
    if (name == "HKCU") return HKEY_CURRENT_USER;
    return nullptr;
}

// 'text' with '' for a quote and %MODULE% / %% substituted.
std::u16string quotedText(std::string_view s, std::u16string_view modulePath, std::size_t line) {
    if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') bad(line, "a text goes in single quotes");
    s = s.substr(1, s.size() - 2);
    std::string plain;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\'') {
            if (i + 1 >= s.size() || s[i + 1] != '\'') bad(line, "a lone quote inside a text");
            ++i;
        }
        plain += s[i];
    }
    std::u16string wide = text::fromUtf8(plain);
    std::u16string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide.compare(i, 8, u"%MODULE%") == 0) {
            out += modulePath;
            i += 7;
        } else if (wide.compare(i, 2, u"%%") == 0) {
            out += u'%';
            ++i;
        } else {
            out += wide[i];
        }
    }
    return out;
}

ScriptEntry parseLine(std::string_view s, std::u16string_view modulePath, std::size_t line) {
    ScriptEntry entry;
    for (const auto& [word, mark] : {std::pair{"whole ", ScriptEntry::Mark::Whole},
                                     std::pair{"replace ", ScriptEntry::Mark::Replace},
                                     std::pair{"keep ", ScriptEntry::Mark::Keep}})
        if (s.starts_with(word)) {
            entry.mark = mark;
            s = trimmed(s.substr(std::string_view(word).size()));
        }
    std::string_view value;
    if (const auto equals = s.find('='); equals != std::string_view::npos) {
        value = trimmed(s.substr(equals + 1));
        s = trimmed(s.substr(0, equals));
    }
    if (s.ends_with(']')) {
        const auto open = s.rfind('[');
        if (open == std::string_view::npos) bad(line, "a value name without its '['");
        entry.namedValue = true;
        entry.valueName = text::fromUtf8(s.substr(open + 1, s.size() - open - 2));
        s = trimmed(s.substr(0, open));
        if (entry.mark != ScriptEntry::Mark::None) bad(line, "a value cannot be marked");
    }
    const auto slash = s.find('\\');
    entry.root = rootOf(s.substr(0, slash));
    if (!entry.root || slash == std::string_view::npos || slash + 1 == s.size())
        bad(line, "a key begins with HKCR\\, HKLM\\ or HKCU\\");
    entry.key = quotedText("'" + std::string(s.substr(slash + 1)) + "'", modulePath, line);
    if (value.starts_with("dword:")) {
        const std::string digits(value.substr(6));
        char* end = nullptr;
        const unsigned long number = std::strtoul(digits.c_str(), &end, 0);
        if (digits.empty() || *end || number > 0xFFFFFFFFul) bad(line, "a dword is a number");
        entry.kind = ScriptEntry::Kind::Dword;
        entry.number = static_cast<DWORD>(number);
    } else if (!value.empty()) {
        entry.kind = ScriptEntry::Kind::Text;
        entry.text = quotedText(value, modulePath, line);
    } else if (entry.namedValue) {
        bad(line, "a named value needs '= ...'");
    }
    return entry;
}

}  // namespace

std::vector<ScriptEntry> parseRegistryScript(std::string_view utf8, std::u16string_view modulePath) {
    std::vector<ScriptEntry> script;
    std::size_t number = 0;
    while (!utf8.empty()) {
        const auto end = std::min(utf8.find('\n'), utf8.size());
        const std::string_view line = trimmed(utf8.substr(0, end));
        utf8.remove_prefix(std::min(end + 1, utf8.size()));
        ++number;
        if (line.empty() || line.front() == '#') continue;
        script.push_back(parseLine(line, modulePath, number));
    }
    return script;
}

void applyRegistration(const std::vector<ScriptEntry>& script) {
    for (const auto& entry : script) {
        if (entry.mark == ScriptEntry::Mark::Replace && !entry.namedValue) deleteTree(entry.root, entry.key);
        const RegKey key = RegKey::create(entry.root, entry.key);
        const char16_t* name = entry.namedValue ? entry.valueName.c_str() : nullptr;
        if (entry.kind == ScriptEntry::Kind::Text) key.setText(name, entry.text);
        if (entry.kind == ScriptEntry::Kind::Dword) {
            const LONG rc = RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&entry.number),
                                           sizeof entry.number);
            if (rc != ERROR_SUCCESS) throw WinError(static_cast<DWORD>(rc), "RegSetValueExW");
        }
    }
}

void applyUnregistration(const std::vector<ScriptEntry>& script) {
    for (auto it = script.rbegin(); it != script.rend(); ++it) {
        if (it->namedValue) {
            if (const RegKey key = RegKey::open(it->root, it->key, KEY_SET_VALUE))
                RegDeleteValueW(key.get(), it->valueName.c_str());
        } else if (it->mark == ScriptEntry::Mark::Whole || it->mark == ScriptEntry::Mark::Replace) {
            deleteTree(it->root, it->key);
        } else if (it->mark == ScriptEntry::Mark::None) {
            const RegKey key = RegKey::open(it->root, it->key);
            if (key && key.subkeys().empty()) deleteTree(it->root, it->key);
        }
    }
}

}  // namespace platform::com
