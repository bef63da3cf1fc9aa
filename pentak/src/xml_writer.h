// TXml: a small writer of XML documents over libxml2's tree. A document is
// made of an XML declaration, an optional "xml-stylesheet" instruction, a
// root element (with an optional comment after it) and elements with text
// and attributes below, all in one namespace when one is set; Save gives its
// bytes in the encoding that the declaration names, or writes them into a
// destination. A failing operation leaves its error as a code and a text of
// fixed form, and gives 0 or null.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/oleauto.h"
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
    // The data of an "xml-stylesheet" instruction that New writes after the
    // declaration; empty (the start) writes none.
    void SetStyleSheet(std::u16string data) { m_styleSheet = std::move(data); }
    // The namespace of the elements made from now on; empty (the start)
    // makes elements without one. An element declares it (xmlns="...")
    // where its parent is not in it.
    void SetNamespaceURI(std::u16string uri) { m_namespaceUri = std::move(uri); }

    // A new, empty document in place of any earlier one; 1.
    BOOL Init();
    // The declaration, the style-sheet instruction, the root element of that
    // name and, when the comment is not empty, a comment after it; makes the
    // document when there is none. 0 for an empty or invalid name, and
    // before the root when an instruction cannot be written.
    BOOL New(std::u16string_view root, std::u16string_view comment);
    // Appends the instruction <?target data?> to the document (making the
    // document when there is none); 0 when the target is not a name or the
    // data holds "?>" or what XML cannot hold.
    BOOL CreateProcessingInstruction(std::u16string_view target, std::u16string_view data);
    // A new, empty fragment of the document, for elements made under it
    // before they are placed; null without a document. Placed in the
    // document itself (xmlAddChild), or its content moved there
    // (xmlAddChildList), it or that content belongs to the document; what is
    // still its own belongs to the writer and is freed with the document.
    xmlNodePtr createDocumentFragment();
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
    // encoding lacks is written as a character reference. A document that
    // libxml2 cannot write (text that is no UTF-8, say) gives its error:
    // "TXml::Save() error: code = 0x<libxml2's code>, at line <n>" and the
    // reason on the next line.
    BOOL Save(std::vector<BYTE>& out);
    // The same bytes into a destination: a VT_BSTR names a file, which is
    // written under a free name beside it and renamed over it, so it is
    // whole or as before and no other file is touched. 0 at once, the error
    // untouched, without a document; E_FAIL for any other destination and
    // when the file cannot be written (the description names the system's
    // cause).
    BOOL Save(const VARIANT& destination);

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
    // The document's own error while it was written.
    void failSaving(int code, int line, const std::string& reason);
    // Frees the fragments that no tree holds; before the document goes.
    void releaseFragments() noexcept;
    bool addInstruction(std::u16string_view target, std::u16string_view data);
    // An element of that name in the namespace URI, declared on it unless
    // the parent already has it in scope; null when the name or the URI
    // cannot be written.
    xmlNodePtr newElement(const std::string& name, xmlNodePtr parent);

    std::unique_ptr<xmlDoc, DocFree> m_doc;
    std::u16string m_errorText;
    HRESULT m_errorCode = 0;
    std::u16string m_declaration;
    std::u16string m_styleSheet;
    std::u16string m_namespaceUri;
    std::vector<xmlNodePtr> m_fragments;  // made by createDocumentFragment
};
