// TXml: a small writer of XML documents over libxml2's tree. A document is
// made of an XML declaration, a root element (with an optional comment after
// it) and elements with text and attributes below; Save gives its bytes in
// the encoding that the declaration names. A failing operation leaves its
// error as a code and a text of fixed form, and gives 0 or null.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/types.h"

class TXml {
public:
    using Pair = std::pair<std::u16string, std::u16string>;  // a name and its text or value

    // The declaration version="1.0" encoding="windows-1250"; no document.
    TXml();
    virtual ~TXml();
    TXml(const TXml&) = delete;
    TXml& operator=(const TXml&) = delete;

    // The data of the "xml" declaration; empty writes no declaration (the
    // bytes are then UTF-8).
    void SetDeclaration(std::u16string data) { m_declaration = std::move(data); }

    // A new, empty document in place of any earlier one; 1.
    BOOL Init();
    // The declaration, the root element of that name and, when the comment
    // is not empty, a comment after it; makes the document when there is
    // none. 0 for an empty or invalid name.
    BOOL New(std::u16string_view root, std::u16string_view comment);
    // The element with its text (also empty) and its attributes in list
    // order, appended to the parent or, without one, to the root element.
    // Null when the name, an attribute or a text cannot be written in XML,
    // or when there is no root; nothing is appended then.
    xmlNodePtr AddElement(const Pair& element, const std::vector<Pair>& attributes, xmlNodePtr parent);
    xmlNodePtr AddElement(std::u16string_view name, xmlNodePtr parent);
    xmlNodePtr AddElement(std::u16string_view name, std::u16string_view text, xmlNodePtr parent);
    xmlNodePtr AddElement(std::u16string_view name, LONG number, xmlNodePtr parent);

    // The document's bytes in the declared encoding, out replaced. UTF-16
    // is written little-endian after a byte-order mark; a character the
    // encoding lacks is written as a character reference.
    BOOL Save(std::vector<BYTE>& out);

    // The last failure: its code (0 when none) and its text, each line
    // ended by a line break; both are cleared by every operation.
    HRESULT ErrorCode() const noexcept { return m_errorCode; }
    const std::u16string& ErrorText() const noexcept { return m_errorText; }

private:
    struct DocFree {
        void operator()(xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
    };

    void clearError();
    // The error in the fixed form: "TXml::<operation>error: code = 0x...".
    void fail(std::u16string_view operation, HRESULT code, std::u16string_view description);
    bool addDeclaration();

    std::unique_ptr<xmlDoc, DocFree> m_doc;
    std::u16string m_errorText;
    HRESULT m_errorCode = 0;
    std::u16string m_declaration;
};
