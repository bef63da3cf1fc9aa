// Reading the library's XML documents back with libxml2 in tests.
#pragma once

#include <libxml/parser.h>

#include <memory>
#include <string>
#include <vector>

namespace pentak_test {

struct DocFree {
    void operator()(xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
};
using ParsedDoc = std::unique_ptr<xmlDoc, DocFree>;

inline ParsedDoc parseXml(const char* bytes, std::size_t size) {
    return ParsedDoc(xmlReadMemory(bytes, static_cast<int>(size), nullptr, nullptr, XML_PARSE_NONET));
}

inline std::vector<const xmlNode*> childElements(const xmlNode* parent) {
    std::vector<const xmlNode*> out;
    for (const xmlNode* node = parent->children; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE) out.push_back(node);
    return out;
}

inline std::string nameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

inline std::string textOf(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

// The attribute's value, "<none>" when the element has no such attribute.
inline std::string attributeOf(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "<none>";
    xmlFree(value);
    return text;
}

}  // namespace pentak_test
