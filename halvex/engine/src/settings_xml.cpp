#include "halvex/settings_xml.h"

#include <cstdio>

#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include "common/xml_read.h"
#include "halvex/log.h"
#include "platform/owned.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace halvex {
namespace {

using XPathContext = platform::Owned<xmlXPathContext, xmlXPathFreeContext>;
using XPathResult = platform::Owned<xmlXPathObject, xmlXPathFreeObject>;

void IgnoreError(void*, xmlError*) {}

std::u16string WithoutFinalLineFeeds(std::u16string text) {
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    return text;
}

}  // namespace

void TXml::FreeDoc::operator()(_xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }

TXml::TXml() = default;
TXml::~TXml() = default;

template <class Read>
bool TXml::Parse(const char16_t* operation, Read read) {
    m_doc.reset();
    tesk::xml::ReadError first;
    m_doc.reset(read(first).release());
    if (m_doc) return true;
    m_lastErrorText = u"TXml::" + std::u16string(operation) + u"(): parse error at line " +
                      platform::text::fromUtf8(std::to_string(first.line)) + u"\n" +
                      platform::text::fromUtf8(first.message);
    m_lastErrorCode = first.code;
    TLogFile::GetInstance().Print(u"TXml::Load(): parse error %s", m_lastErrorText.c_str());
    return false;
}

bool TXml::LoadFromFile(const std::u16string& path) {
    const std::string file = platform::paths::fromWindows(path).string();
    return Parse(u"LoadFromFile", [&](tesk::xml::ReadError& error) { return tesk::xml::ReadFile(file, &error); });
}

bool TXml::Load(const std::u16string& text) {
    // The text is handed over as UTF-8 whatever its declaration says.
    const std::string utf8 = platform::text::toUtf8(text);
    return Parse(u"Load", [&](tesk::xml::ReadError& error) { return tesk::xml::ReadMemory(utf8, "UTF-8", nullptr, &error); });
}

std::vector<const _xmlNode*> TXml::GetNodes(const std::u16string& xpath) {
    std::vector<const _xmlNode*> nodes;
    if (!m_doc) return nodes;
    const XPathContext context(xmlXPathNewContext(m_doc.get()));
    if (!context) return nodes;
    // A relative path starts at the document, so it names the root first.
    context->node = reinterpret_cast<xmlNode*>(m_doc.get());
    // The error is read from the context afterwards, not printed.
    context->error = IgnoreError;
    const std::string expression = platform::text::toUtf8(xpath);
    const XPathResult result(xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), context.get()));
    if (!result) {
        const xmlError& error = context->lastError;
        const std::u16string message =
            error.message ? WithoutFinalLineFeeds(platform::text::fromUtf8(error.message)) : u"null";
        char code[11];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(error.code));
        m_lastErrorText = u"TXml::GetNodes() error: kod = " + platform::text::fromUtf8(code) + u", " + message +
                          u"\n\nzdroj = libxml2\npopis = " + xpath + u"\n";
        m_lastErrorCode = error.code;
        xmlResetError(&context->lastError);
        TLogFile::GetInstance().Write(m_lastErrorText);
        return nodes;
    }
    if (result->type != XPATH_NODESET || !result->nodesetval) return nodes;
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
        const xmlNode* node = result->nodesetval->nodeTab[i];
        if (node->type == XML_ELEMENT_NODE) nodes.push_back(node);
    }
    return nodes;
}

bool TXml::GetElmAttr(const _xmlNode* element, const std::u16string& name, std::u16string& value) {
    if (!element) return false;
    const std::string attribute = platform::text::toUtf8(name);
    const std::unique_ptr<xmlChar, xmlFreeFunc> text(
        xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(attribute.c_str())), xmlFree);
    if (!text) return false;
    value = platform::text::fromUtf8(reinterpret_cast<const char*>(text.get()));
    return true;
}

}  // namespace halvex
