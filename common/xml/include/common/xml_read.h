// Reading XML that comes from outside the program (a server's reply, a file
// the user can change) with libxml2. The document is data: no network, no
// DTD loaded, no entity substituted, and a document that declares an entity
// (in its internal subset) is refused before anything is built from it, so
// no reference can ever be expanded by a later read of a node's content.
// libxml2's own limits stay on (never XML_PARSE_HUGE): text nodes, names and
// nesting depth have their default bounds.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace tesk::xml {

struct DocumentFree {
    void operator()(xmlDoc* document) const noexcept { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFree>;

// Why a document was not read: the first error, as libxml2 numbers it
// (XML_ERR_USER_STOP for a declared entity), its line and its message
// (without the final line feed).
struct ReadError {
    int code = 0;
    int line = 0;
    std::string message;
};

// The document of the bytes, read in `encoding` (null: as the document
// declares it); `name` names it in libxml2's messages. Null when the bytes
// are not a well-formed document or declare an entity; `error`, when given,
// then says why.
Document ReadMemory(std::string_view bytes, const char* encoding = nullptr, const char* name = nullptr,
                    ReadError* error = nullptr);

// The same for a file at its host (UTF-8) path; a Windows path is turned
// into one by the layer first.
Document ReadFile(const std::string& path, ReadError* error = nullptr);

}  // namespace tesk::xml
