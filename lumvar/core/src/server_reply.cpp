#include "server_reply.h"

#include <libxml/parser.h>
#include <libxml/relaxng.h>
#include <libxml/xpathInternals.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "lumvar/reply_document.h"
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

// The lists whose items the schemas take in any number: Body's DirList and
// FileList.
std::vector<xmlNode*> itemLists(xmlDoc* document) {
    std::vector<xmlNode*> lists;
    const xmlNode* root = xmlDocGetRootElement(document);
    if (!root || !isElement(root, "Tesk")) return lists;
    for (const xmlNode* response = root->children; response; response = response->next) {
        if (!isElement(response, "Response")) continue;
        for (const xmlNode* body = response->children; body; body = body->next) {
            if (!isElement(body, "Body")) continue;
            for (xmlNode* list = body->children; list; list = list->next)
                if (isElement(list, "DirList") || isElement(list, "FileList")) lists.push_back(list);
        }
    }
    return lists;
}

// One list's children, shown to the validator a window at a time: while a
// window is shown, the list holds only its nodes, and none once every
// window has passed; the whole list is back when this ends.
class ListWindows {
public:
    explicit ListWindows(xmlNode* list) : m_list(list), m_first(list->children), m_last(list->last) {}
    ~ListWindows() {
        relink();
        m_list->children = m_first;
        m_list->last = m_last;
    }
    ListWindows(const ListWindows&) = delete;
    ListWindows& operator=(const ListWindows&) = delete;

    // Shows the next `size` children; false when none is left.
    bool next(std::size_t size) {
        relink();
        xmlNode* start = m_started ? m_rest : m_first;
        m_started = true;
        m_list->children = m_list->last = nullptr;
        if (!start) return false;
        xmlNode* last = start;
        for (std::size_t n = 1; n < size && last->next; ++n) last = last->next;
        m_rest = last->next;
        m_before = start->prev;
        start->prev = last->next = nullptr;
        m_list->children = m_start = start;
        m_list->last = m_windowLast = last;
        return true;
    }

private:
    // The shown window back among its siblings.
    void relink() {
        if (!m_windowLast) return;
        m_start->prev = m_before;
        m_windowLast->next = m_rest;
        m_windowLast = nullptr;
    }

    xmlNode* m_list;
    xmlNode* m_first;
    xmlNode* m_last;
    bool m_started = false;
    xmlNode* m_start = nullptr;
    xmlNode* m_windowLast = nullptr;
    xmlNode* m_before = nullptr;
    xmlNode* m_rest = nullptr;
};

// RelaxNG validation cannot be stopped midway and takes time in proportion
// to the items of the long lists. The lists are validated a window of items
// at a time, all lists at once, with the deadline looked at between windows;
// the schemas take any number of items, so the windows are valid together
// exactly when the whole document is. Throws the exchange's time-out.
bool validInWindows(xmlRelaxNGValidCtxt* validator, xmlDoc* document, const PostOptions& exchange) {
    constexpr std::size_t kWindow = 1024;
    std::vector<std::unique_ptr<ListWindows>> lists;
    for (xmlNode* list : itemLists(document)) lists.push_back(std::make_unique<ListWindows>(list));
    for (bool first = true;; first = false) {
        bool shown = false;
        for (const auto& list : lists) shown = list->next(kWindow) || shown;
        if (!shown && !first) return true;
        CheckDeadline(exchange);
        const int invalid = xmlRelaxNGValidateDoc(validator, document);
        CheckDeadline(exchange);
        if (invalid != 0) return false;
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

ServerReply ServerReply::parse(std::string_view bytes, const ReplySchema& schema, const PostOptions& exchange) {
    Collector errors;
    ValidContext validator(xmlRelaxNGNewValidCtxt(schema.get()));
    if (!validator) throw XMLException("Could not create a validator from a RNG schema");
    xmlRelaxNGSetValidErrors(validator.get(), &Collector::collect, &Collector::collect, &errors);

    ServerReply reply;
    // A reply that declares entities is refused with the ill-formed ones.
    reply.m_doc = ReadReplyDocument(bytes, exchange);
    if (!reply.m_doc) throw XMLException("Server response not well-formed");
    emptyHeaders(reply.m_doc.get());
    if (!validInWindows(validator.get(), reply.m_doc.get(), exchange)) throw XMLException("Response validation failed with the following errors:\n" + errors.text);
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
