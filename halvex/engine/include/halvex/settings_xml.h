// TXml: a settings document read from a file or a text, its elements found
// by XPath and their attributes read. The document is data: nothing is
// fetched from outside, no DTD is loaded and a document that declares an
// entity is refused, so a hostile document costs bounded time and memory.
// A failure is logged and kept, text and code, as the last error.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace halvex {

class TXml {
public:
    TXml();
    ~TXml();
    TXml(const TXml&) = delete;
    TXml& operator=(const TXml&) = delete;

    // Parses the file, or the text, replacing any document held before. A
    // parse failure leaves no document; its last error text is
    // "TXml::LoadFromFile(): parse error at line N" (or "TXml::Load(): ..."),
    // a line feed and the reason of the parser's first error, its code the
    // parser's, and the log gets "TXml::Load(): parse error " and that text.
    bool LoadFromFile(const std::u16string& path);
    bool Load(const std::u16string& text);
    // The elements the XPath expression selects from the document; none
    // without a document or for an expression that selects no elements. An
    // expression that does not evaluate gives none and a last error
    // "TXml::GetNodes() error: kod = 0x%08X, " with the library's message,
    // then "zdroj = libxml2" and "popis = " the expression on lines of
    // their own; that text is logged.
    std::vector<const _xmlNode*> GetNodes(const std::u16string& xpath);
    // The attribute's value; false, value unchanged, when it is absent.
    static bool GetElmAttr(const _xmlNode* element, const std::u16string& name, std::u16string& value);

    // The text and code of the last failure; empty and 0 before the first.
    const std::u16string& LastErrorText() const noexcept { return m_lastErrorText; }
    int LastErrorCode() const noexcept { return m_lastErrorCode; }

private:
    struct FreeDoc {
        void operator()(_xmlDoc* doc) const noexcept;
    };
    template <class Read>
    bool Parse(const char16_t* operation, Read read);

    std::unique_ptr<_xmlDoc, FreeDoc> m_doc;
    std::u16string m_lastErrorText;
    int m_lastErrorCode = 0;
};

}  // namespace halvex
