#include "halvex/renew_xml.h"

#include <libxml/xmlwriter.h>

#include <optional>
#include <string>

#include "halvex/resource_strings.h"
#include "halvex/version_info.h"
#include "platform/owned.h"
#include "platform/text.h"

namespace halvex {
namespace {

using Buffer = platform::Owned<xmlBuffer, xmlBufferFree>;
using Writer = platform::Owned<xmlTextWriter, xmlFreeTextWriter>;

constexpr UINT kPapersDeclaration = 33171;
constexpr UINT kDeviceDeclaration = 33172;


// The document in the writer's hands: every piece of layout is a text node
// of tabs and line feeds, so the writer adds no whitespace of its own.
class Document {
public:
    Document() : m_buffer(xmlBufferCreate()) {
        if (m_buffer) m_writer.reset(xmlNewTextWriterMemory(m_buffer.get(), 0));
        m_ok = m_writer && xmlTextWriterStartDocument(m_writer.get(), "1.0", "UTF-8", nullptr) >= 0;
    }

    void Text(const std::string& utf8) {
        if (m_ok) m_ok = xmlTextWriterWriteString(m_writer.get(), Xml(utf8)) >= 0;
    }
    void Start(const char* name) {
        if (m_ok) m_ok = xmlTextWriterStartElement(m_writer.get(), Xml(name)) >= 0;
    }
    void Attribute(const char* name, const char* value) {
        if (m_ok) m_ok = xmlTextWriterWriteAttribute(m_writer.get(), Xml(name), Xml(value)) >= 0;
    }
    void End() {
        if (m_ok) m_ok = xmlTextWriterFullEndElement(m_writer.get()) >= 0;
    }

    // Tabs, start tag, line feed.
    void Open(int depth, const char* name) {
        Text(Tabs(depth));
        Start(name);
        Text("\n");
    }
    // Tabs, end tag, line feed.
    void Close(int depth) {
        Text(Tabs(depth));
        End();
        Text("\n");
    }
    // An element whose value stands on a line of its own, one level deeper.
    void Block(int depth, const char* name, const std::string& value) {
        Text(Tabs(depth));
        Start(name);
        Text("\n" + Tabs(depth + 1) + value + "\n" + Tabs(depth));
        End();
        Text("\n");
    }

    // The text, without the line feed the writer puts after the root.
    std::optional<std::string> Finish() {
        if (!m_ok || xmlTextWriterEndDocument(m_writer.get()) < 0) return std::nullopt;
        m_writer.reset();
        std::string text(reinterpret_cast<const char*>(xmlBufferContent(m_buffer.get())),
                         static_cast<std::size_t>(xmlBufferLength(m_buffer.get())));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    static std::string Tabs(int depth) { return std::string(static_cast<std::size_t>(depth), '\t'); }

private:
    static const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }
    static const xmlChar* Xml(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

    Buffer m_buffer;
    Writer m_writer;
    bool m_ok = false;
};

std::string Utf8(const std::u16string& text) { return platform::text::toUtf8(text); }

void WriteHeader(Document& doc) {
    doc.Start("Tesk");
    doc.Text("\n");
    doc.Text("\t");
    doc.Start("Request");
    doc.Attribute("product_version", "9.5");
    doc.Attribute("product_name", "Certification Authority");
    doc.Text("\n");
    doc.Open(2, "Header");
    doc.Text(Document::Tabs(3));
    doc.Start("Type");
    doc.Attribute("version", "4");
    doc.Text("renewalrequest");
    doc.End();
    doc.Text("\n" + Document::Tabs(3));
    doc.Start("Client");
    doc.Text("halvex " + Utf8(GetFileVersionString(u"FileVersion")));
    doc.End();
    doc.Text("\n");
    doc.Close(2);
}

// The request's Base64 lines: the armour lines of a request made by the
// data check dropped, any other text as it is.
std::u16string RequestBase64(const std::u16string& text) {
    constexpr std::u16string_view begin = u"-----BEGIN CERTIFICATE REQUEST-----\n";
    constexpr std::u16string_view end = u"-----END CERTIFICATE REQUEST-----\n";
    if (!text.starts_with(begin) || !text.ends_with(end) || text.size() < begin.size() + end.size()) return text;
    return text.substr(begin.size(), text.size() - begin.size() - end.size());
}

void WriteKeyAndRequestData(Document& doc, const TCertRequest& request) {
    doc.Open(3, "KeyAndRequestData");
    // The request's Base64 goes in with its own line ends.
    doc.Text(Document::Tabs(4));
    doc.Start("Request");
    doc.Text(Utf8(RequestBase64(request.requestText)) + Document::Tabs(4));
    doc.End();
    doc.Text("\n");
    doc.Block(4, "SSCD", "SK");
    if (!request.cardNumber.empty()) doc.Block(4, "CardNumber", Utf8(request.cardNumber));
    doc.Close(3);
}

void WriteCertificateProperties(Document& doc, const TCertRequest& request) {
    doc.Open(3, "CertificateProperties");
    if (!request.challengePassword.empty()) doc.Block(4, "ChallengePassword", Utf8(request.challengePassword));
    // One level deeper than its siblings.
    doc.Block(5, "BillingType", BillingType(request.kind));
    doc.Block(4, "CertSend", request.sendForm ? "zip" : "yes");
    doc.Close(3);
}

void WriteUserData(Document& doc, const TCertRequest& request, const std::u16string& subject) {
    doc.Open(3, "UserData");
    doc.Open(4, "Agreements");
    doc.Block(5, "Papers", Utf8(LoadResString(kPapersDeclaration)));
    if (request.addIdentifier && !request.hasIdentifier) doc.Block(5, "AddSerialNumber", Utf8(subject));
    doc.Block(5, "SSCD", Utf8(LoadResString(kDeviceDeclaration)));
    doc.Close(4);
    doc.Close(3);
}

}  // namespace

// XML 1.0 carries tab, LF, CR and everything from U+0020 except lone
// surrogates and U+FFFE/U+FFFF.
bool IsXmlText(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return false;
        if (c == 0xFFFE || c == 0xFFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

const char* BillingType(DWORD kind) {
    if ((kind & kKindQualified) == 0) return (kind & kKindParvelPair) ? "S-PV" : "S-PE";
    if (kind & kKindAuthorityFamily) return "Q-MA-SK";
    return (kind & kKindParvelPair) ? "Q-PV-SK" : "Q-PE-SK";
}

bool BuildRequestXml(TCertRequest& request, bool secondary) {
    const bool withSubject = !secondary && request.addIdentifier && !request.hasIdentifier;
    const std::u16string subject = withSubject ? request.BuildSubject() : std::u16string();
    if (!IsXmlText(request.requestText) || !IsXmlText(request.cardNumber) ||
        !IsXmlText(request.challengePassword) || !IsXmlText(subject))
        return false;

    Document doc;
    WriteHeader(doc);
    doc.Open(2, "Body");
    WriteKeyAndRequestData(doc, request);
    WriteCertificateProperties(doc, request);
    if (!secondary) WriteUserData(doc, request, subject);
    doc.Close(2);
    doc.Text("\t");
    doc.End();
    doc.Text("\n");
    doc.End();
    const std::optional<std::string> text = doc.Finish();
    if (!text) return false;
    request.xmlDocument = platform::text::fromUtf8(*text);
    return true;
}

}  // namespace halvex
