#include "protocol_document.h"

#include <libxml/xmlwriter.h>

#include <algorithm>
#include <memory>

#include "platform/text.h"
#include "protocol_location.h"

namespace lumvar {

namespace {

const xmlChar* x(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Every writer call returns a negative number on failure.
class Writer {
public:
    explicit Writer(xmlTextWriterPtr w) : m_w(w) {}
    void start(const char* name) { check(xmlTextWriterStartElement(m_w, x(name))); }
    void end() { check(xmlTextWriterEndElement(m_w)); }
    void attribute(const char* name, const char* value) { check(xmlTextWriterWriteAttribute(m_w, x(name), x(value))); }
    void text(const std::string& value) { check(xmlTextWriterWriteString(m_w, x(value.c_str()))); }
    void element(const char* name, const std::string& value) {
        start(name);
        text(value);
        end();
    }
    void check(int rc) { m_ok = m_ok && rc >= 0; }
    bool ok() const { return m_ok; }

private:
    xmlTextWriterPtr m_w;
    bool m_ok = true;
};

std::string wirePath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return platform::text::toUtf8(path);
}

void writeFile(Writer& w, const FileRecord& file) {
    w.start("File");
    w.element("Location", LocationText(file.location));
    w.element("Path", wirePath(file.path));
    w.end();
}

void writeDocument(Writer& w, xmlTextWriterPtr raw, const Config& config, RequestKind kind,
                   const std::vector<const FileRecord*>& files) {
    w.check(xmlTextWriterSetIndent(raw, 1));
    w.check(xmlTextWriterSetIndentString(raw, x("  ")));
    w.check(xmlTextWriterStartDocument(raw, "1.0", "utf-8", nullptr));
    w.start("Tesk");
    w.start("Request");
    w.attribute("product_version", "1.0");
    w.attribute("product_name", "Tesk Upgrade");
    w.start("Header");
    w.start("Type");
    w.attribute("version", "1");
    w.text("lumvar");
    w.end();
    w.element("SubType", kind == RequestKind::FileList ? "getfilelist" : "getfile");
    w.element("ClientApp", config.getClientApp());
    w.element("DistroID", config.getDistroID());
    w.end();
    w.start("Body");
    if (kind != RequestKind::FileList) {
        w.start("DownloadRequest");
        w.attribute("zip", kind == RequestKind::Zip ? "yes" : "no");
        if (kind == RequestKind::Zip) w.start("FileList");
        for (const FileRecord* file : files) writeFile(w, *file);
        if (kind == RequestKind::Zip) w.end();
        w.end();
    }
    w.end();  // Body
    w.end();  // Request
    w.end();  // Tesk
    w.check(xmlTextWriterEndDocument(raw));
}

}  // namespace

RequestDocument BuildRequestDocument(const Config& config, RequestKind kind,
                                     const std::vector<const FileRecord*>& files) {
    RequestDocument out;
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer) {
        out.outcome = RequestDocument::Outcome::NoWriter;
        return out;
    }
    std::unique_ptr<xmlTextWriter, decltype(&xmlFreeTextWriter)> raw(xmlNewTextWriterMemory(buffer.get(), 0),
                                                                    xmlFreeTextWriter);
    if (!raw) {
        out.outcome = RequestDocument::Outcome::NoWriter;
        return out;
    }
    Writer w(raw.get());
    writeDocument(w, raw.get(), config, kind, files);
    raw.reset();  // flushes into the buffer
    if (!w.ok()) return out;
    out.utf8.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                    static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    out.outcome = RequestDocument::Outcome::Built;
    return out;
}

}  // namespace lumvar
