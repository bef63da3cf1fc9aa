// A reply of the update server, parsed and validated against its schema,
// with the XPath reading it needs. The document and its XPath context are
// freed together.
#pragma once

#include <libxml/relaxng.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/xml_read.h"

namespace lumvar {

// A RelaxNG schema from a file; what it includes or refers to is read from
// the file's own folder alone, never from the network. Throws XMLException
// when it cannot be loaded ("Could not initialize RelaxNG parser", "Specification parsing
// failed with following errors:\n...").
class ReplySchema {
public:
    explicit ReplySchema(const std::string& schemaFile);
    xmlRelaxNGPtr get() const { return m_schema.get(); }

private:
    struct Free {
        void operator()(xmlRelaxNGPtr s) const { xmlRelaxNGFree(s); }
    };
    std::unique_ptr<xmlRelaxNG, Free> m_schema;
};

class ServerReply {
public:
    // Throws XMLException: the bytes are no XML ("Server response not
    // well-formed") or not valid ("Response validation failed with the
    // following errors:\n..."). What Tesk/Response/Header holds, free content
    // the client never reads, is dropped before validation.
    static ServerReply parse(std::string_view bytes, const ReplySchema& schema);

    // The nodes an expression selects, relative to node ("./...") or from
    // the root.
    std::vector<xmlNodePtr> nodes(const char* expression, xmlNodePtr node = nullptr) const;
    // The first selected node, or null.
    xmlNodePtr first(const char* expression, xmlNodePtr node = nullptr) const;

private:
    struct ContextFree {
        void operator()(xmlXPathContextPtr c) const { xmlXPathFreeContext(c); }
    };
    tesk::xml::Document m_doc;
    std::unique_ptr<xmlXPathContext, ContextFree> m_context;
};

// The attribute's text, or fallback when absent.
std::string AttributeText(xmlNodePtr node, const char* name, std::string fallback);
// The node's text without CR, LF, blanks and tabs at either end.
std::string NodeText(xmlNodePtr node);

}  // namespace lumvar
