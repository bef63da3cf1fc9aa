#include "common/xml_read.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <fstream>
#include <iterator>

namespace tesk::xml {
namespace {

// No network, no DTD loaded, entities left as references (never
// XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE), the parser's own
// reports kept quiet.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct ContextFree {
    void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
};
using Context = std::unique_ptr<xmlParserCtxt, ContextFree>;

std::string WithoutFinalLineFeeds(const char* text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

void Note(xmlParserCtxt* context, int code, int line, const char* message) {
    auto* error = static_cast<ReadError*>(context->_private);
    if (error->code != 0) return;
    error->code = code;
    error->line = line;
    error->message = WithoutFinalLineFeeds(message);
}

// The parser goes on after some errors; the first one says what is wrong.
void KeepFirstError(void* data, xmlError* error) {
    if (error->level >= XML_ERR_ERROR)
        Note(static_cast<xmlParserCtxt*>(data), error->code, error->line, error->message);
}

// An entity declaration ends the parse: the document is refused whole.
void RefuseEntity(xmlParserCtxt* context) {
    Note(context, XML_ERR_USER_STOP, xmlSAX2GetLineNumber(context), "Entity declarations are not accepted");
    xmlStopParser(context);
}

void RefuseParsedEntity(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    RefuseEntity(static_cast<xmlParserCtxt*>(context));
}

void RefuseUnparsedEntity(void* context, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*) {
    RefuseEntity(static_cast<xmlParserCtxt*>(context));
}

template <class Parse>
Document Read(ReadError* error, Parse parse) {
    ReadError ignored;
    ReadError& first = error ? *error : ignored;
    first = {};
    const Context context(xmlNewParserCtxt());
    if (!context) {
        first = {XML_ERR_NO_MEMORY, 0, "Out of memory"};
        return nullptr;
    }
    context->_private = &first;
    context->sax->serror = KeepFirstError;
    context->sax->entityDecl = RefuseParsedEntity;
    context->sax->unparsedEntityDecl = RefuseUnparsedEntity;
    Document document(parse(context.get()));
    if (document && first.code == XML_ERR_USER_STOP) document.reset();
    if (document) first = {};
    else if (first.code == 0) first = {XML_ERR_DOCUMENT_EMPTY, 0, "Document is empty"};
    return document;
}

}  // namespace

Document ReadMemory(std::string_view bytes, const char* encoding, const char* name, ReadError* error) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        if (error) *error = {XML_ERR_NO_MEMORY, 0, "Document too large"};
        return nullptr;
    }
    return Read(error, [&](xmlParserCtxt* context) {
        return xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()), name, encoding,
                                 kParseOptions);
    });
}

// The file is read here and parsed from memory: libxml2 takes a file name
// for a URI and tries one it cannot open again unescaped ("%41" as "A"),
// which would read another file.
Document ReadFile(const std::string& path, ReadError* error) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        if (error) *error = {XML_IO_LOAD_ERROR, 0, "cannot read " + path};
        return nullptr;
    }
    return ReadMemory(bytes, nullptr, nullptr, error);
}

}  // namespace tesk::xml
