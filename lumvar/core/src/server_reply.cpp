#include "server_reply.h"

#include <libxml/parser.h>
#include <libxml/relaxng.h>
#include <libxml/xpathInternals.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "lumvar/server_errors.h"

namespace lumvar {

namespace {

// Collects the messages of schema parsing or validation, each cut to 4,096
// bytes; a hostile reply cannot make the list grow past kMaxMessages.
struct Collector {
    static constexpr std::size_t kMaxMessages = 64;
    std::string text;
    std::size_t count = 0;

    static void collect(void* self, const char* format, ...) {
        auto& c = *static_cast<Collector*>(self);
        if (c.count++ >= kMaxMessages) return;
        char buffer[4096];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        c.text += buffer;
    }
};

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using ParserContext = std::unique_ptr<xmlRelaxNGParserCtxt, Freer<xmlRelaxNGParserCtxt, xmlRelaxNGFreeParserCtxt>>;
using ValidContext = std::unique_ptr<xmlRelaxNGValidCtxt, Freer<xmlRelaxNGValidCtxt, xmlRelaxNGFreeValidCtxt>>;
using XPathObject = std::unique_ptr<xmlXPathObject, Freer<xmlXPathObject, xmlXPathFreeObject>>;

bool isElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name));
}

// The schemas take anything in Tesk/Response/Header and the client reads
// none of it, while RelaxNG validation of free content takes time growing
// with the square of its elements: the Header is emptied before validation.
void emptyHeaders(xmlDoc* document) {
    const xmlNode* root = xmlDocGetRootElement(document);
    if (!root || !isElement(root, "Tesk")) return;
    for (const xmlNode* response = root->children; response; response = response->next) {
        if (!isElement(response, "Response")) continue;
        for (xmlNode* header = response->children; header; header = header->next) {
            if (!isElement(header, "Header")) continue;
            xmlFreeNodeList(header->children);
            header->children = header->last = nullptr;
        }
    }
}

}  // namespace

ReplySchema::ReplySchema(const std::string& schemaFile) {
    if (xmlRelaxNGInitTypes() != 0) throw XMLException("Could not initialize RelaxNG types");
    tesk::xml::ReadError unread;
    const tesk::xml::Document document = tesk::xml::ReadFile(schemaFile, &unread);
    if (!document) throw XMLException("Specification parsing failed with following errors:\n" + unread.message);
    ParserContext parser(xmlRelaxNGNewDocParserCtxt(document.get()));
    if (!parser) throw XMLException("Could not initialize RelaxNG parser");
    Collector errors;
    xmlRelaxNGSetParserErrors(parser.get(), &Collector::collect, &Collector::collect, &errors);
    // What the schema includes or refers to is read from its own folder only.
    const tesk::xml::LoadsBeneath loads(std::filesystem::absolute(schemaFile).parent_path().string());
    m_schema.reset(xmlRelaxNGParse(parser.get()));
    if (!m_schema) throw XMLException("Specification parsing failed with following errors:\n" + errors.text);
}

ServerReply ServerReply::parse(std::string_view bytes, const ReplySchema& schema) {
    Collector errors;
    ValidContext validator(xmlRelaxNGNewValidCtxt(schema.get()));
    if (!validator) throw XMLException("Could not create a validator from a RNG schema");
    xmlRelaxNGSetValidErrors(validator.get(), &Collector::collect, &Collector::collect, &errors);

    ServerReply reply;
    // A reply that declares entities is refused with the ill-formed ones.
    reply.m_doc = tesk::xml::ReadMemory(bytes);
    if (!reply.m_doc) throw XMLException("Server response not well-formed");
    emptyHeaders(reply.m_doc.get());
    if (xmlRelaxNGValidateDoc(validator.get(), reply.m_doc.get()) != 0)
        throw XMLException("Response validation failed with the following errors:\n" + errors.text);
    reply.m_context.reset(xmlXPathNewContext(reply.m_doc.get()));
    if (!reply.m_context) throw XMLException("Could not create an XPath context");
    return reply;
}

std::vector<xmlNodePtr> ServerReply::nodes(const char* expression, xmlNodePtr node) const {
    std::vector<xmlNodePtr> out;
    XPathObject result(xmlXPathNodeEval(node ? node : xmlDocGetRootElement(m_doc.get()),
                                        reinterpret_cast<const xmlChar*>(expression), m_context.get()));
    if (!result || result->type != XPATH_NODESET || !result->nodesetval) return out;
    const xmlNodeSetPtr set = result->nodesetval;
    out.assign(set->nodeTab, set->nodeTab + set->nodeNr);
    return out;
}

xmlNodePtr ServerReply::first(const char* expression, xmlNodePtr node) const {
    const std::vector<xmlNodePtr> found = nodes(expression, node);
    return found.empty() ? nullptr : found.front();
}

std::string AttributeText(xmlNodePtr node, const char* name, std::string fallback) {
    if (!node) return fallback;
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value) return fallback;
    std::string out(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return out;
}

std::string NodeText(xmlNodePtr node) {
    xmlChar* value = xmlNodeGetContent(node);
    if (!value) return {};
    std::string out(reinterpret_cast<const char*>(value));
    xmlFree(value);
    static const char kTrimmed[] = "\r\n \t";
    const std::size_t begin = out.find_first_not_of(kTrimmed);
    if (begin == std::string::npos) return {};
    return out.substr(begin, out.find_last_not_of(kTrimmed) - begin + 1);
}

}  // namespace lumvar
