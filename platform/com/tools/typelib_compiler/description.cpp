#include "description.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "guid_text.h"
#include "platform/text.h"

namespace typelib_compiler {

namespace {

using namespace platform::com::typelib;
using platform::text::fromUtf8;

struct Token {
    enum Kind { Word, Number, Text, Guid, Mark } kind;
    std::string value;
};

class Line {
public:
    Line(std::string_view text, std::size_t number) : m_number(number) { split(text); }

    [[noreturn]] void fail(const std::string& what) const {
        throw FormatError("line " + std::to_string(m_number) + ": " + what);
    }
    bool done() const { return m_at == m_tokens.size(); }
    bool peekMark(char c) const { return !done() && m_tokens[m_at].kind == Token::Mark && m_tokens[m_at].value[0] == c; }
    bool peekWord(std::string_view w) const {
        return !done() && m_tokens[m_at].kind == Token::Word && m_tokens[m_at].value == w;
    }
    const Token& next(Token::Kind kind, const char* what) {
        if (done() || m_tokens[m_at].kind != kind) fail(std::string("expected ") + what);
        return m_tokens[m_at++];
    }
    std::string word(const char* what) { return next(Token::Word, what).value; }
    void mark(char c) {
        if (!peekMark(c)) fail(std::string("expected '") + c + "'");
        ++m_at;
    }
    long long number(const char* what) {
        const std::string& text = next(Token::Number, what).value;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 0);
        if (*end) fail("not a number: " + text);
        return value;
    }
    GUID guid() {
        const auto guid = platform::com::parseGuid(fromUtf8(next(Token::Guid, "a {GUID}").value));
        if (!guid) fail("not a GUID");
        return *guid;
    }
    // An optional help text at the end of the line.
    std::u16string help() {
        std::u16string text;
        if (!done()) text = fromUtf8(next(Token::Text, "a \"help text\"").value);
        if (!done()) fail("unexpected \"" + m_tokens[m_at].value + "\"");
        return text;
    }
    std::string rawNumber(const char* what) { return next(Token::Number, what).value; }

private:
    void split(std::string_view s) {
        std::size_t i = 0;
        const auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        while (i < s.size()) {
            const char c = s[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '"') {
                std::string text;
                for (++i; i < s.size() && s[i] != '"'; ++i) {
                    if (s[i] == '\\' && i + 1 < s.size()) ++i;
                    text += s[i];
                }
                if (i >= s.size()) fail("a text without its closing quote");
                ++i;
                m_tokens.push_back({Token::Text, text});
            } else if (c == '{') {
                const auto end = s.find('}', i);
                if (end == std::string_view::npos) fail("a GUID without its '}'");
                m_tokens.push_back({Token::Guid, std::string(s.substr(i, end - i + 1))});
                i = end + 1;
            } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') {
                std::size_t end = i + 1;
                while (end < s.size() && (isWordChar(s[end]) || s[end] == '.')) ++end;
                m_tokens.push_back({Token::Number, std::string(s.substr(i, end - i))});
                i = end;
            } else if (isWordChar(c)) {
                std::size_t end = i;
                while (end < s.size() && isWordChar(s[end])) ++end;
                m_tokens.push_back({Token::Word, std::string(s.substr(i, end - i))});
                i = end;
            } else if (std::string_view("(),*=").find(c) != std::string_view::npos) {
                m_tokens.push_back({Token::Mark, std::string(1, c)});
                ++i;
            } else {
                fail(std::string("unexpected character '") + c + "'");
            }
        }
    }

    std::size_t m_number;
    std::vector<Token> m_tokens;
    std::size_t m_at = 0;
};

const std::map<std::string, VARTYPE> kValueTypes = {
    {"short", VT_I2},   {"long", VT_I4},        {"int", VT_INT},    {"byte", VT_UI1},
    {"double", VT_R8},  {"DATE", VT_DATE},      {"BSTR", VT_BSTR},  {"VARIANT_BOOL", VT_BOOL},
    {"VARIANT", VT_VARIANT}, {"IDispatch", VT_DISPATCH}, {"IUnknown", VT_UNKNOWN},
};

class Parser {
public:
    Library run(std::string_view text) {
        std::size_t number = 0;
        while (!text.empty()) {
            const auto end = std::min(text.find('\n'), text.size());
            std::string_view content = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            ++number;
            if (const auto hash = content.find('#'); hash != std::string_view::npos && !inText(content, hash))
                content = content.substr(0, hash);
            Line line(content, number);
            if (!line.done()) statement(line);
        }
        if (m_open) throw FormatError("the last block has no 'end'");
        if (!m_haveLibrary) throw FormatError("no 'library' line");
        resolvePending();
        validate(m_library);
        return std::move(m_library);
    }

private:
    static bool inText(std::string_view s, std::size_t at) {
        bool inside = false;
        for (std::size_t i = 0; i < at; ++i)
            if (s[i] == '"' && (i == 0 || s[i - 1] != '\\')) inside = !inside;
        return inside;
    }

    void statement(Line& line) {
        if (line.peekWord("end")) {
            line.word("end");
            if (!m_open) line.fail("'end' without a block");
            m_open = nullptr;
            line.help();
            return;
        }
        if (m_open) return member(line, *m_open);
        const std::string keyword = line.word("library, enum, interface or coclass");
        if (keyword == "library") return library(line);
        if (!m_haveLibrary) line.fail("the 'library' line comes first");
        TypeEntry entry;
        if (keyword == "enum")
            entry.kind = Kind::Enum;
        else if (keyword == "interface")
            entry.kind = Kind::Interface;
        else if (keyword == "coclass")
            entry.kind = Kind::CoClass;
        else
            line.fail("unknown keyword " + keyword);
        const std::string name = line.word("a name");
        entry.name = fromUtf8(name);
        if (m_names.count(entry.name)) line.fail("a second type named " + name);
        if (entry.kind != Kind::Enum) entry.guid = line.guid();
        entry.help = line.help();
        m_names[entry.name] = m_library.types.size();
        m_library.types.push_back(std::move(entry));
        m_open = &m_library.types.back();
        m_openIndex = m_library.types.size() - 1;
    }

    void library(Line& line) {
        if (m_haveLibrary) line.fail("a second 'library' line");
        m_library.name = fromUtf8(line.word("the library's name"));
        m_library.guid = line.guid();
        const std::string version = line.rawNumber("a version such as 1.0");
        const auto dot = version.find('.');
        if (dot == std::string::npos) line.fail("a version is major.minor");
        m_library.major = static_cast<WORD>(std::strtoul(version.substr(0, dot).c_str(), nullptr, 10));
        m_library.minor = static_cast<WORD>(std::strtoul(version.substr(dot + 1).c_str(), nullptr, 10));
        m_library.help = line.help();
        m_haveLibrary = true;
    }

    void member(Line& line, TypeEntry& entry) {
        switch (entry.kind) {
        case Kind::Enum: {
            EnumValue value;
            value.name = fromUtf8(line.word("a value's name"));
            line.mark('=');
            value.value = static_cast<LONG>(line.number("the value"));
            line.help();
            entry.values.push_back(std::move(value));
            break;
        }
        case Kind::CoClass:
            m_pendingImplemented.push_back({m_openIndex, line.word("an interface's name"), 0});
            line.help();
            break;
        case Kind::Interface:
            entry.functions.push_back(function(line));
            break;
        }
    }

    Function function(Line& line) {
        Function f;
        std::string kind = line.word("method, get, put or putref");
        if (kind == "hidden") {
            f.hidden = true;
            kind = line.word("method, get, put or putref");
        }
        if (kind == "method")
            f.invokeKind = INVOKE_FUNC;
        else if (kind == "get")
            f.invokeKind = INVOKE_PROPERTYGET;
        else if (kind == "put")
            f.invokeKind = INVOKE_PROPERTYPUT;
        else if (kind == "putref")
            f.invokeKind = INVOKE_PROPERTYPUTREF;
        else
            line.fail("a member is method, get, put or putref");
        f.memid = static_cast<MEMBERID>(line.number("the member id"));
        f.name = fromUtf8(line.word("the member's name"));
        line.mark('(');
        while (!line.peekMark(')')) {
            if (!f.params.empty()) line.mark(',');
            f.params.push_back(param(line, f.params.size()));
        }
        line.mark(')');
        f.help = line.help();
        return f;
    }

    Param param(Line& line, std::size_t index) {
        Param p;
        const std::string direction = line.word("in or out");
        if (direction == "in")
            p.flags = PARAMFLAG_FIN;
        else if (direction == "out")
            p.flags = PARAMFLAG_FOUT;
        else
            line.fail("an argument is in or out");
        if (line.peekWord("retval")) {
            line.word("retval");
            p.flags |= PARAMFLAG_FRETVAL;
        }
        std::string type = line.word("a type");
        if (type == "unsigned") {
            const std::string base = line.word("long or int");
            if (base != "long" && base != "int") line.fail("unsigned long or unsigned int");
            p.type.vt = base == "long" ? VT_UI4 : VT_UINT;
        } else if (const auto known = kValueTypes.find(type); known != kValueTypes.end()) {
            p.type.vt = known->second;
        } else {
            p.type.vt = VT_USERDEFINED;
            m_pendingParams.push_back({m_openIndex, type, m_open->functions.size(), index});
        }
        int stars = 0;
        while (line.peekMark('*')) {
            line.mark('*');
            ++stars;
        }
        // IDispatch* and IUnknown* are the values themselves.
        if (p.type.vt == VT_DISPATCH || p.type.vt == VT_UNKNOWN) {
            if (stars == 0) line.fail(type + " is used through a pointer");
            --stars;
        }
        p.type.pointers = static_cast<std::uint8_t>(stars);
        p.name = fromUtf8(line.word("the argument's name"));
        return p;
    }

    struct Pending {
        std::size_t type;
        std::string name;
        std::size_t function;
        std::size_t param;
    };

    std::size_t lookup(const std::string& name) const {
        const auto found = m_names.find(fromUtf8(name));
        if (found == m_names.end()) throw FormatError("unknown type " + name);
        return found->second;
    }

    void resolvePending() {
        for (const auto& p : m_pendingImplemented)
            m_library.types[p.type].implemented.push_back(static_cast<std::uint32_t>(lookup(p.name)));
        for (const auto& p : m_pendingParams)
            m_library.types[p.type].functions[p.function].params[p.param].type.userType =
                static_cast<std::uint32_t>(lookup(p.name));
    }

    Library m_library;
    bool m_haveLibrary = false;
    TypeEntry* m_open = nullptr;
    std::size_t m_openIndex = 0;
    std::map<std::u16string, std::size_t> m_names;
    std::vector<Pending> m_pendingImplemented;
    std::vector<Pending> m_pendingParams;
};

}  // namespace

Library parseDescription(std::string_view text) { return Parser().run(text); }

}  // namespace typelib_compiler
