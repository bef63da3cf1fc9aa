#include "halvex/settings_xml.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include "halvex/log.h"
#include "platform/owned.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace halvex {
namespace {

using ParserContext = platform::Owned<xmlParserCtxt, xmlFreeParserCtxt>;
using XPathContext = platform::Owned<xmlXPathContext, xmlXPathFreeContext>;
using XPathResult = platform::Owned<xmlXPathObject, xmlXPathFreeObject>;

// No network, no DTD loaded, entities left as references (never
// XML_PARSE_NOENT or XML_PARSE_HUGE), the parser's own reports kept quiet.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// The parser goes on after some errors; the first one says what is wrong.
void KeepFirstError(void* data, xmlError* error) {
    auto* context = static_cast<xmlParserCtxt*>(data);
    auto* first = static_cast<xmlError*>(context->_private);
    if (first->code == XML_ERR_OK && error->level >= XML_ERR_ERROR) xmlCopyError(error, first);
}

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
    const ParserContext context(xmlNewParserCtxt());
    if (!context) return false;
    xmlError first{};
    context->_private = &first;
    context->sax->serror = KeepFirstError;
    m_doc.reset(read(context.get()));
    if (m_doc) {
        xmlResetError(&first);
        return true;
    }
    const std::u16string reason = first.message ? WithoutFinalLineFeeds(platform::text::fromUtf8(first.message)) : u"";
    m_lastErrorText = u"TXml::" + std::u16string(operation) + u"(): parse error at line " +
                      platform::text::fromUtf8(std::to_string(first.line)) + u"\n" + reason;
    m_lastErrorCode = first.code;
    xmlResetError(&first);
    TLogFile::GetInstance().Print(u"TXml::Load(): parse error %s", m_lastErrorText.c_str());
    return false;
}

// The file is read here and parsed from memory: libxml2 takes a file name
// for a URI and tries one it cannot open again unescaped ("%41" as "A"),
// which would read another file.
bool TXml::LoadFromFile(const std::u16string& path) {
    std::ifstream in(platform::paths::fromWindows(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool read = in.is_open() && !in.bad();
    return Parse(u"LoadFromFile", [&](xmlParserCtxt* context) -> xmlDoc* {
        if (!read || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
        return xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                 kParseOptions);
    });
}

bool TXml::Load(const std::u16string& text) {
    // The text is handed over as UTF-8 whatever its declaration says.
    const std::string utf8 = platform::text::toUtf8(text);
    return Parse(u"Load", [&](xmlParserCtxt* context) -> xmlDoc* {
        if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
        return xmlCtxtReadMemory(context, utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                                 kParseOptions);
    });
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
