// TXml: a settings document read from a file, its elements found by XPath
// and their attributes read. Entities are never fetched from outside, no
// external DTD is loaded and internal entities stay within the parser's
// amplification limits, so a hostile file costs bounded time and memory.
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

    // Parses the file, replacing any document held before. A parse failure
    // is logged as "TXml::LoadFromFile(): parse error at line N", a line
    // feed and the reason of the parser's first error; no document is held
    // then.
    bool LoadFromFile(const std::u16string& path);
    // The elements the XPath expression selects from the document; none
    // without a document or for an expression that selects no elements.
    std::vector<const _xmlNode*> GetNodes(const std::u16string& xpath) const;
    // The attribute's value; false, value unchanged, when it is absent.
    static bool GetElmAttr(const _xmlNode* element, const std::u16string& name, std::u16string& value);

private:
    struct FreeDoc {
        void operator()(_xmlDoc* doc) const noexcept;
    };
    std::unique_ptr<_xmlDoc, FreeDoc> m_doc;
};

}  // namespace halvex
