// xml_writer.cpp: TXml over libxml2. Names, texts and instruction data are
// checked before they enter the tree, because libxml2 writes whatever it
// is given and the document must stay well-formed XML.
#include "xml_writer.h"

#include <libxml/encoding.h>
#include <libxml/xmlsave.h>

#include <cstdio>

#include "platform/text.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/message.h"
#include "win32/sync.h"
#include "win32/text.h"

namespace {

struct BufferFree {
    void operator()(xmlBuffer* buffer) const noexcept { xmlBufferFree(buffer); }
};
struct NodeFree {
    void operator()(xmlNode* node) const noexcept { xmlFreeNode(node); }
};
using OwnedNode = std::unique_ptr<xmlNode, NodeFree>;

// The folder part of a file's path text, "." for a bare name.
std::u16string folderOf(const std::u16string& file) {
    const std::size_t slash = file.find_last_of(u"/\\");
    if (slash == std::u16string::npos) return u".";
    return slash == 0 ? file.substr(0, 1) : file.substr(0, slash);
}

// Writes the bytes into a new file of a free name beside the file and
// renames it over the file; the system's error when any step fails, the
// file then as it was and nothing left beside it. No other file is touched.
DWORD replaceFile(const std::u16string& file, const std::vector<BYTE>& bytes) {
    char16_t beside[MAX_PATH] = {};
    if (GetTempFileNameW(folderOf(file).c_str(), u"xml", 0, beside) == 0) return GetLastError();
    HANDLE h = CreateFileW(beside, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        const bool whole = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                           written == bytes.size() && FlushFileBuffers(h);
        if (!whole) error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        if (!CloseHandle(h) && whole) error = GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(beside, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) DeleteFileW(beside);
    return error;
}

const xmlChar* xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

// A character XML 1.0 allows in a document (text, attribute values).
bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// UTF-8 of text whose every character XML allows; false for an unpaired
// surrogate or a character XML cannot hold.
bool utf8Of(std::u16string_view text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (!isXmlChar(c)) return false;
    }
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, nullptr, 0, nullptr,
                                         nullptr);
    if (size <= 0) return false;
    out.resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, out.data(), size, nullptr,
                               nullptr) == size;
}

bool nameOf(std::u16string_view name, std::string& out) {
    return !name.empty() && utf8Of(name, out) && xmlValidateNameValue(xml(out)) == 1;
}

// The value of the encoding pseudo-attribute of declaration data; empty
// when it names none.
std::string encodingOf(const std::string& declaration) {
    const std::size_t key = declaration.find("encoding");
    if (key == std::string::npos) return {};
    std::size_t quote = declaration.find_first_of("\"'", key);
    if (quote == std::string::npos) return {};
    const std::size_t end = declaration.find(declaration[quote], quote + 1);
    if (end == std::string::npos) return {};
    return declaration.substr(quote + 1, end - quote - 1);
}

std::u16string wideAscii(std::string_view text) { return {text.begin(), text.end()}; }

std::u16string systemMessage(DWORD code) {
    char16_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                  512, nullptr);
    while (length > 0 && (buffer[length - 1] == u'\n' || buffer[length - 1] == u'\r')) --length;
    return length ? std::u16string(buffer, length) : u"null";
}

// The first error libxml2 reports on this thread while it lives, kept in
// place of libxml2's message on standard error: the document's own account
// of why it could not be written.
class DocumentErrors {
public:
    DocumentErrors() : m_handler(xmlStructuredError), m_context(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(this, &DocumentErrors::take);
    }
    ~DocumentErrors() { xmlSetStructuredErrorFunc(m_context, m_handler); }
    DocumentErrors(const DocumentErrors&) = delete;
    DocumentErrors& operator=(const DocumentErrors&) = delete;

    bool any() const noexcept { return m_code != 0; }
    int code() const noexcept { return m_code; }
    int line() const noexcept { return m_line; }
    const std::string& reason() const noexcept { return m_reason; }

private:
    static void take(void* context, xmlErrorPtr error) {
        auto* self = static_cast<DocumentErrors*>(context);
        if (self->any() || !error || error->code == 0) return;
        self->m_code = error->code;
        self->m_line = error->line;
        self->m_reason = error->message ? error->message : "";
        while (!self->m_reason.empty() && (self->m_reason.back() == '\n' || self->m_reason.back() == '\r'))
            self->m_reason.pop_back();
    }

    xmlStructuredErrorFunc m_handler;
    void* m_context;
    int m_code = 0;
    int m_line = 0;
    std::string m_reason;
};

// The fragment's own children. A list moved out of it with xmlAddChildList
// keeps its place in the fragment's links although another parent holds
// it now: the fragment's list ends before the first such node.
void keepOwnChildren(xmlNodePtr fragment) noexcept {
    xmlNodePtr last = nullptr;
    for (xmlNodePtr child = fragment->children; child && child->parent == fragment; child = child->next) last = child;
    if (last)
        last->next = nullptr;
    else
        fragment->children = nullptr;
    fragment->last = last;
}

}  // namespace

TXml::TXml() : m_declaration(u"version=\"1.0\" encoding=\"windows-1250\"") {}

TXml::~TXml() { releaseFragments(); }

// A fragment placed in a tree (appended itself, as a DOM appends one)
// belongs to that tree and goes with it; one that is not is freed with
// what is still its own. Every fragment is looked at before any is freed,
// as one may have been placed in another.
void TXml::releaseFragments() noexcept {
    for (xmlNodePtr& fragment : m_fragments) {
        if (fragment->parent)
            fragment = nullptr;
        else
            keepOwnChildren(fragment);
    }
    for (xmlNodePtr fragment : m_fragments)
        if (fragment) xmlFreeNode(fragment);
    m_fragments.clear();
}

void TXml::clearError() {
    m_errorText.clear();
    m_errorCode = 0;
}

void TXml::fail(std::u16string_view operation, HRESULT code, std::u16string_view description) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
    m_errorCode = code;
    m_errorText = u"TXml::" + std::u16string(operation) + u"error: code = 0x" + wideAscii(hex) + u", " +
                  systemMessage(static_cast<DWORD>(code)) + u"\n\nsource = null\ndescription = " +
                  (description.empty() ? u"null" : std::u16string(description)) + u"\n";
}

void TXml::failSaving(int code, int line, const std::string& reason) {
    char head[64];
    std::snprintf(head, sizeof head, "TXml::Save() error: code = 0x%08X, at line %d\n", static_cast<unsigned>(code),
                  line);
    m_errorCode = static_cast<HRESULT>(code);
    m_errorText = wideAscii(head) + platform::text::fromUtf8(reason) + u"\n";
}

BOOL TXml::Init() {
    clearError();
    releaseFragments();
    m_doc.reset(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    if (!m_doc) {
        fail(u"Init()", E_OUTOFMEMORY, u"no document");
        return FALSE;
    }
    return TRUE;
}

bool TXml::addInstruction(std::u16string_view target, std::u16string_view data) {
    std::string name, text;
    if (!nameOf(target, name) || !utf8Of(data, text) || text.find("?>") != std::string::npos) {
        fail(u"CreateProcessingInstruction()", E_INVALIDARG, u"the instruction cannot be written");
        return false;
    }
    OwnedNode instruction(xmlNewDocPI(m_doc.get(), xml(name), xml(text)));
    if (!instruction || !xmlAddChild(reinterpret_cast<xmlNodePtr>(m_doc.get()), instruction.get())) {
        fail(u"CreateProcessingInstruction()", E_OUTOFMEMORY, u"no instruction");
        return false;
    }
    instruction.release();
    return true;
}

BOOL TXml::CreateProcessingInstruction(std::u16string_view target, std::u16string_view data) {
    clearError();
    if (!m_doc && !Init()) return FALSE;
    return addInstruction(target, data);
}

xmlNodePtr TXml::createDocumentFragment() {
    clearError();
    xmlNodePtr fragment = m_doc ? xmlNewDocFragment(m_doc.get()) : nullptr;
    if (!fragment) {
        fail(u"createDocumentFragment()", E_POINTER, u"no document");
        return nullptr;
    }
    m_fragments.emplace_back(fragment);
    return fragment;
}

xmlNodePtr TXml::newElement(const std::string& name, xmlNodePtr parent) {
    OwnedNode node(xmlNewDocRawNode(m_doc.get(), nullptr, xml(name), nullptr));
    if (!node || m_namespaceUri.empty()) return node.release();
    std::string uri;
    if (!utf8Of(m_namespaceUri, uri)) return nullptr;
    xmlNsPtr ns = parent && parent->type == XML_ELEMENT_NODE ? xmlSearchNs(m_doc.get(), parent, nullptr) : nullptr;
    if (!ns || !ns->href || uri != reinterpret_cast<const char*>(ns->href)) ns = xmlNewNs(node.get(), xml(uri), nullptr);
    if (!ns) return nullptr;
    xmlSetNs(node.get(), ns);
    return node.release();
}

BOOL TXml::New(std::u16string_view root, std::u16string_view comment) {
    std::string name, commentText;
    if (!nameOf(root, name)) return FALSE;
    if (!m_doc && !Init()) return FALSE;
    clearError();
    if (!utf8Of(comment, commentText) || commentText.find("--") != std::string::npos ||
        (!commentText.empty() && commentText.back() == '-')) {
        fail(u"New()", E_INVALIDARG, u"the comment cannot be written");
        return FALSE;
    }
    if (!m_declaration.empty() && !addInstruction(u"xml", m_declaration)) return FALSE;
    if (!m_styleSheet.empty() && !addInstruction(u"xml-stylesheet", m_styleSheet)) return FALSE;
    OwnedNode element(newElement(name, nullptr));
    if (!element) {
        fail(u"New()", E_OUTOFMEMORY, u"no root element");
        return FALSE;
    }
    xmlDocSetRootElement(m_doc.get(), element.release());
    if (!commentText.empty()) {
        OwnedNode node(xmlNewDocComment(m_doc.get(), xml(commentText)));
        if (!node || !xmlAddChild(reinterpret_cast<xmlNodePtr>(m_doc.get()), node.get())) {
            fail(u"New()", E_OUTOFMEMORY, u"no comment");
            return FALSE;
        }
        node.release();
    }
    return TRUE;
}

xmlNodePtr TXml::AddElement(const Pair& element, const std::vector<Pair>& attributes, xmlNodePtr parent) {
    clearError();
    const std::u16string operation = u"AddElement():name=" + element.first;
    std::string name, text;
    OwnedNode node;
    if (!parent && m_doc) parent = xmlDocGetRootElement(m_doc.get());
    if (m_doc && nameOf(element.first, name) && utf8Of(element.second, text)) node.reset(newElement(name, parent));
    if (!node) {
        fail(operation, NTE_FAIL, u"the element cannot be written");
        return nullptr;
    }
    if (!text.empty()) xmlNodeAddContent(node.get(), xml(text));
    for (const Pair& attribute : attributes) {
        std::string attributeName, value;
        if (!nameOf(attribute.first, attributeName) || !utf8Of(attribute.second, value) ||
            !xmlSetProp(node.get(), xml(attributeName), xml(value))) {
            fail(operation, NTE_FAIL, u"the attribute " + attribute.first + u" cannot be written");
            return nullptr;
        }
    }
    if (!parent) {
        fail(operation, E_POINTER, u"no root element");
        return nullptr;
    }
    return xmlAddChild(parent, node.release());
}

xmlNodePtr TXml::AddElement(std::u16string_view name, xmlNodePtr parent) {
    return AddElement(Pair(name, u""), {}, parent);
}

xmlNodePtr TXml::AddElement(std::u16string_view name, std::u16string_view text, xmlNodePtr parent) {
    return AddElement(Pair(name, text), {}, parent);
}

xmlNodePtr TXml::AddElement(std::u16string_view name, LONG number, xmlNodePtr parent) {
    return AddElement(Pair(name, wideAscii(std::to_string(number))), {}, parent);
}

BOOL TXml::Save(std::vector<BYTE>& out) {
    clearError();
    if (!m_doc) {
        fail(u"Save()", E_POINTER, u"no document");
        return FALSE;
    }
    std::string declaration;
    utf8Of(m_declaration, declaration);
    const std::string encoding = encodingOf(declaration);
    const std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
    if (!buffer) {
        fail(u"Save()", E_OUTOFMEMORY, u"no buffer");
        return FALSE;
    }
    // Asked first, so that an unknown name is our error, not libxml2's
    // message on standard error.
    if (!encoding.empty()) {
        xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(encoding.c_str());
        if (!handler) {
            fail(u"Save()", E_FAIL, u"the encoding " + wideAscii(encoding) + u" is not known");
            return FALSE;
        }
        xmlCharEncCloseFunc(handler);
    }
    xmlSaveCtxtPtr context =
        xmlSaveToBuffer(buffer.get(), encoding.empty() ? nullptr : encoding.c_str(), XML_SAVE_NO_DECL);
    if (!context) {
        fail(u"Save()", E_OUTOFMEMORY, u"the document cannot be written");
        return FALSE;
    }
    const DocumentErrors errors;
    const bool saved = xmlSaveDoc(context, m_doc.get()) >= 0;
    if (xmlSaveClose(context) < 0 || !saved) {
        if (errors.any())
            failSaving(errors.code(), errors.line(), errors.reason());
        else
            fail(u"Save()", E_FAIL, u"the document cannot be written");
        return FALSE;
    }
    const xmlChar* bytes = xmlBufferContent(buffer.get());
    out.assign(bytes, bytes + xmlBufferLength(buffer.get()));
    return TRUE;
}

BOOL TXml::Save(const VARIANT& destination) {
    if (!m_doc) return FALSE;
    std::vector<BYTE> bytes;
    if (!Save(bytes)) return FALSE;
    if (destination.vt != VT_BSTR || SysStringLen(destination.bstrVal) == 0) {
        fail(u"Save()", E_FAIL, u"the destination is not a file name");
        return FALSE;
    }
    const std::u16string file(destination.bstrVal, SysStringLen(destination.bstrVal));
    if (const DWORD error = replaceFile(file, bytes)) {
        fail(u"Save()", E_FAIL, u"the file " + file + u" cannot be written: " + systemMessage(error));
        return FALSE;
    }
    return TRUE;
}
