#include <libxml/parser.h>
#include <libxml/xpath.h>

#include "halvex/renew_client.h"
#include "lumvar/reply_document.h"
#include "platform/owned.h"

namespace halvex {
namespace {

using XPathContext = platform::Owned<xmlXPathContext, xmlXPathFreeContext>;
using XPathResult = platform::Owned<xmlXPathObject, xmlXPathFreeObject>;
void FreeXmlText(xmlChar* text) { xmlFree(text); }
using XmlText = platform::Owned<xmlChar, FreeXmlText>;

std::string Trimmed(const xmlChar* text) {
    std::string s = text ? reinterpret_cast<const char*>(text) : "";
    const char* blanks = "\r\n \t";
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

XPathResult Evaluate(xmlXPathContext* context, const char* path) {
    return XPathResult(xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(path), context));
}

int NodeCount(const XPathResult& result) {
    return result && result->nodesetval ? result->nodesetval->nodeNr : 0;
}

// The trimmed content of the first node the path finds; empty when none.
std::string FirstText(xmlXPathContext* context, const char* path) {
    const XPathResult result = Evaluate(context, path);
    if (NodeCount(result) == 0) return {};
    const XmlText content(xmlNodeGetContent(result->nodesetval->nodeTab[0]));
    return Trimmed(content.get());
}

std::vector<IssuedRequest> Accepted(xmlXPathContext* context) {
    const XPathResult ids = Evaluate(context, "//ReqID");
    if (!ids) throw XMLException("No request ID provided on acceptance of request");
    std::vector<IssuedRequest> issued;
    for (int i = 0; i < NodeCount(ids); ++i) {
        xmlNode* id = ids->nodesetval->nodeTab[i];
        const XmlText caType(xmlGetProp(id, reinterpret_cast<const xmlChar*>("ca_type")));
        if (!caType) throw XMLException("No request ca_type provided on acceptance of request");
        if (!id->children || id->children->type != XML_TEXT_NODE)
            throw XMLException("Empty request ID provided on request acceptance");
        issued.push_back({reinterpret_cast<const char*>(caType.get()), Trimmed(id->children->content)});
    }
    return issued;
}

[[noreturn]] void Refused(xmlXPathContext* context) {
    const std::string code = FirstText(context, "//Error/Code");
    if (code.empty()) throw XMLException("Request denied with no error code provided");
    const std::string message = FirstText(context, "//Error/Message");
    throw ResponseException(code, message.empty() ? "No message." : message);
}

}  // namespace

std::vector<IssuedRequest> ParseRenewResponse(const std::string& reply, const lumvar::PostOptions& exchange) {
    // A reply that declares entities is refused with the ill-formed ones.
    const tesk::xml::Document doc = lumvar::ReadReplyDocument(reply, exchange);
    if (!doc) throw XMLException("Server response not well-formed");
    const XPathContext context(xmlXPathNewContext(doc.get()));
    if (!context) throw XMLException("Server response not well-formed");

    const XPathResult status = Evaluate(context.get(), "//Body/@status");
    if (NodeCount(status) == 0) throw XMLException("Server response does not contain status code");
    const XmlText statusText(xmlNodeGetContent(status->nodesetval->nodeTab[0]));
    const std::string value = statusText ? reinterpret_cast<const char*>(statusText.get()) : "";
    if (value == "ok") return Accepted(context.get());
    if (value == "error") Refused(context.get());
    throw XMLException("Wrong status code provided");
}

}  // namespace halvex
