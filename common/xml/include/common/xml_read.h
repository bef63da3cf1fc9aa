// Reading XML that comes from outside the program (a server's reply, a file
// the user can change) with libxml2. The document is data: no network, no
// DTD loaded, no entity substituted, and a document that declares an entity
// or an attribute list (in its internal subset) is refused before anything
// is built from it, so no reference can ever be expanded by a later read of
// a node's content. libxml2's own limits stay on (never XML_PARSE_HUGE), and
// what it leaves unbounded is bounded before it reads: at most 256
// attributes on one start tag, 256 namespace declarations in scope, 256
// open elements and 1,000 characters in a name, so reading takes time and
// memory in proportion to the document.
#pragma once

#include <libxml/tree.h>

#include <filesystem>
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
// declares it; UTF-8, UTF-16 and the single-byte pages are read, any other
// is refused); `name` is its address. Null when the bytes are not a
// well-formed document, declare an entity or pass a bound; `error`, when
// given, then says why (XML_ERR_USER_STOP for what is not accepted).
Document ReadMemory(std::string_view bytes, const char* encoding = nullptr, const char* name = nullptr,
                    ReadError* error = nullptr);

// The same for a file at its host (UTF-8) path; a Windows path is turned
// into one by the layer first. The path is the document's address, so what
// it names relatively lies beside it.
Document ReadFile(const std::string& path, ReadError* error = nullptr);

// libxml2 loads no other document on its own (a schema's include or
// external reference, an external DTD or entity) and never reaches the
// network. While a LoadsBeneath lives, a load on its thread may read a file
// beneath its folder (symbolic links resolved), looked at as ReadMemory
// looks at a document; any other fails.
class LoadsBeneath {
public:
    explicit LoadsBeneath(const std::string& folder);
    ~LoadsBeneath();
    LoadsBeneath(const LoadsBeneath&) = delete;
    LoadsBeneath& operator=(const LoadsBeneath&) = delete;

private:
    std::filesystem::path m_folder;
    const std::filesystem::path* m_outer = nullptr;
};

}  // namespace tesk::xml
