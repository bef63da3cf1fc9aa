#include "common/xml_read.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "markup_look.h"

namespace tesk::xml {
namespace {

// No network, no DTD loaded, entities left as references (never
// XML_PARSE_NOENT or XML_PARSE_DTDLOAD), the parser's own reports kept
// quiet. A text may be longer than libxml2's default 10 MB (an update
// carries whole program files in one element): the depth, names and
// attributes are bounded by the look before the parse, entities are
// refused, and what a text costs grows with its length only.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;

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

// The folder a LoadsBeneath on this thread lets libxml2 load from.
thread_local const std::filesystem::path* t_loadsFrom = nullptr;

std::optional<std::string> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) return std::nullopt;
    return bytes;
}

// libxml2 names a document it wants loaded by a URI, escaped wherever the
// document's folder or reference needed it ("%20" for a blank, "%C5%BE"
// for "ž"); the path is unescaped exactly once. An escaped NUL would end
// the name early and so name another file: no path.
std::optional<std::string> UnescapedPath(const std::string& uri) {
    if (uri.find("%00") != std::string::npos) return std::nullopt;
    char* unescaped = xmlURIUnescapeString(uri.c_str(), 0, nullptr);
    if (!unescaped) return std::nullopt;
    std::string path(unescaped);
    xmlFree(unescaped);
    return path;
}

// The file a URI names when it is a path (or a file: URI) beneath the
// folder loads are let from; nothing for any other.
std::optional<std::string> FileBeneathLoadFolder(const char* uri) {
    if (!t_loadsFrom || !uri) return std::nullopt;
    std::string address = uri;
    if (address.rfind("file://", 0) == 0) address.erase(0, 7);
    if (address.find("://") != std::string::npos) return std::nullopt;
    const std::optional<std::string> path = UnescapedPath(address);
    if (!path) return std::nullopt;
    std::error_code failed;
    const std::filesystem::path file = std::filesystem::weakly_canonical(*path, failed);
    if (failed) return std::nullopt;
    const std::filesystem::path inside = file.lexically_relative(*t_loadsFrom);
    if (inside.empty() || *inside.begin() == "..") return std::nullopt;
    return file.string();
}

// libxml2's loader of every outside document a parse asks for (a schema's
// include, an external DTD or entity): the network never, a file only
// beneath a LoadsBeneath's folder, and then with its markup looked at as
// any document's.
xmlParserInputPtr LoadOnlyBeneath(const char* uri, const char*, xmlParserCtxtPtr context) {
    const std::optional<std::string> file = FileBeneathLoadFolder(uri);
    std::optional<std::string> bytes = file ? FileBytes(*file) : std::nullopt;
    if (!bytes || bytes->size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
    const MarkupLook look = LookAtMarkup(*bytes, nullptr);
    if (!look.refusal.empty()) return nullptr;
    bytes->resize(look.followed);
    xmlParserInputBufferPtr buffer =
        xmlParserInputBufferCreateMem(bytes->data(), static_cast<int>(bytes->size()), XML_CHAR_ENCODING_NONE);
    if (!buffer) return nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE);
    if (!input) xmlFreeParserInputBuffer(buffer);
    return input;
}

void LoadOnlyBeneathFromNowOn() {
    static const bool installed = [] {
        xmlSetExternalEntityLoader(LoadOnlyBeneath);
        return true;
    }();
    (void)installed;
}

// The parser reads the bytes where they lie, a piece at a time: no copy of
// a whole reply is made. Once the deadline has passed, the next piece is a
// read error, which ends the parse.
struct Cursor {
    std::string_view rest;
    std::chrono::steady_clock::time_point until;

    static int read(void* self, char* buffer, int length) {
        auto& cursor = *static_cast<Cursor*>(self);
        if (std::chrono::steady_clock::now() >= cursor.until) return -1;
        const std::size_t n = std::min(cursor.rest.size(), static_cast<std::size_t>(length));
        std::memcpy(buffer, cursor.rest.data(), n);
        cursor.rest.remove_prefix(n);
        return static_cast<int>(n);
    }
    static int close(void*) { return 0; }
};

template <class Parse>
Document Read(ReadError* error, Parse parse) {
    LoadOnlyBeneathFromNowOn();
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

Document ReadMemory(std::string_view bytes, const char* encoding, const char* name, ReadError* error,
                    std::chrono::steady_clock::time_point until) {
    ReadError ignored;
    ReadError& first = error ? *error : ignored;
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        first = {XML_ERR_NO_MEMORY, 0, "Document too large"};
        return nullptr;
    }
    const MarkupLook look = LookAtMarkup(bytes, encoding);
    if (!look.refusal.empty()) {
        first = {XML_ERR_USER_STOP, look.line, look.refusal};
        return nullptr;
    }
    Cursor cursor{bytes.substr(0, look.followed), until};
    Document document = Read(&first, [&](xmlParserCtxt* context) {
        return xmlCtxtReadIO(context, &Cursor::read, &Cursor::close, &cursor, name, encoding, kParseOptions);
    });
    // What the parser was given is a whole document, but more followed.
    if (document && look.followed < bytes.size()) {
        document.reset();
        first = {XML_ERR_DOCUMENT_END, look.line, "Extra content at the end of the document"};
    }
    return document;
}

LoadsBeneath::LoadsBeneath(const std::string& folder) : m_folder(std::filesystem::weakly_canonical(folder)) {
    LoadOnlyBeneathFromNowOn();
    m_outer = t_loadsFrom;
    t_loadsFrom = &m_folder;
}

LoadsBeneath::~LoadsBeneath() { t_loadsFrom = m_outer; }

// The file is read here and parsed from memory: libxml2 takes a file name
// for a URI and tries one it cannot open again unescaped ("%41" as "A"),
// which would read another file.
Document ReadFile(const std::string& path, ReadError* error) {
    const std::optional<std::string> bytes = FileBytes(path);
    if (!bytes) {
        if (error) *error = {XML_IO_LOAD_ERROR, 0, "cannot read " + path};
        return nullptr;
    }
    return ReadMemory(*bytes, nullptr, path.c_str(), error);
}

}  // namespace tesk::xml
