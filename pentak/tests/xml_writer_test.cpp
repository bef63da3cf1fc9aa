// The XML writer's documents, read back by libxml2's parser: the declared
// encoding, escaping, characters the encoding lacks, and the errors a
// caller reads.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "parsed_xml.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "xml_writer.h"

namespace {

using namespace pentak_test;

ParsedDoc parse(const std::vector<BYTE>& bytes) {
    return parseXml(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A document with text that needs escaping, a character windows-1250 lacks
// (the snowman) and one it has (č), attributes and nested elements.
void fill(TXml& writer) {
    ASSERT_TRUE(writer.New(u"pentak", u""));
    xmlNodePtr certificate = writer.AddElement(u"Certificate", nullptr);
    ASSERT_NE(nullptr, certificate);
    ASSERT_NE(nullptr, writer.AddElement({u"Name", u"a<b & \"c\" \u010d \u2603"},
                                         {{u"OID", u"2.5.4.3"}, {u"Type", u"<'&\">"}}, certificate));
    ASSERT_NE(nullptr, writer.AddElement(u"KeyLength", -2048, certificate));
    // Without a parent: under the root, after its earlier children.
    ASSERT_NE(nullptr, writer.AddElement(u"Last", u"", nullptr));
}

void expectContent(const std::vector<BYTE>& bytes) {
    const ParsedDoc doc = parse(bytes);
    ASSERT_TRUE(doc) << std::string(bytes.begin(), bytes.end());
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    EXPECT_EQ("pentak", nameOf(root));
    const auto top = childElements(root);
    ASSERT_EQ(2u, top.size());
    EXPECT_EQ("Certificate", nameOf(top[0]));
    EXPECT_EQ("Last", nameOf(top[1]));
    const auto children = childElements(top[0]);
    ASSERT_EQ(2u, children.size());
    EXPECT_EQ("a<b & \"c\" \u010d \u2603", textOf(children[0]));
    EXPECT_EQ("2.5.4.3", attributeOf(children[0], "OID"));
    EXPECT_EQ("<'&\">", attributeOf(children[0], "Type"));
    EXPECT_EQ("-2048", textOf(children[1]));
}

TEST(XmlWriter, DocumentsInWindows1250AndUtf16ReadBackWithEveryCharacter) {
    TXml ansi;
    fill(ansi);
    std::vector<BYTE> bytes;
    ASSERT_TRUE(ansi.Save(bytes)) << std::string(ansi.ErrorText().begin(), ansi.ErrorText().end());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"windows-1250\"?>")) << text;
    EXPECT_NE(std::string::npos, text.find("\xE8")) << "c with caron is the page's own byte";
    EXPECT_NE(std::string::npos, text.find("&#9731;")) << text;
    EXPECT_EQ(std::string::npos, text.find('?', 45)) << text;
    expectContent(bytes);

    TXml wide;
    wide.SetDeclaration(u"version=\"1.0\" encoding=\"utf-16\"");
    fill(wide);
    ASSERT_TRUE(wide.Save(bytes));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    const std::u16string declaration = u"<?xml version=\"1.0\" encoding=\"utf-16\"?>";
    std::u16string start;
    for (std::size_t i = 2; i + 1 < bytes.size() && start.size() < declaration.size(); i += 2)
        start += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    EXPECT_EQ(declaration, start);
    expectContent(bytes);

    // Without a declaration the document starts with its root.
    TXml bare;
    bare.SetDeclaration(u"");
    ASSERT_TRUE(bare.New(u"pentak", u"made by a test"));
    ASSERT_TRUE(bare.Save(bytes));
    const std::string plain(bytes.begin(), bytes.end());
    EXPECT_EQ(0u, plain.find("<pentak/>")) << plain;
    EXPECT_NE(std::string::npos, plain.find("<!--made by a test-->")) << plain;
}

TEST(XmlWriter, WhatXmlCannotHoldFailsWithTheErrorTextAndTheNextSuccessClearsIt) {
    TXml writer;
    EXPECT_FALSE(writer.New(u"", u""));
    EXPECT_EQ(nullptr, writer.AddElement(u"Orphan", nullptr)) << "no document, no root";

    ASSERT_TRUE(writer.New(u"pentak", u""));
    EXPECT_EQ(nullptr, writer.AddElement(u"Sub ject", nullptr));
    EXPECT_EQ(static_cast<HRESULT>(NTE_FAIL), writer.ErrorCode());
    const std::u16string text = writer.ErrorText();
    EXPECT_EQ(0u, text.find(u"TXml::AddElement():name=Sub jecterror: code = 0x80090020, "));
    EXPECT_NE(std::u16string::npos, text.find(u"\n\nsource = "));
    EXPECT_NE(std::u16string::npos, text.find(u"\ndescription = "));
    EXPECT_EQ(u'\n', text.back());

    // A control character and an unpaired surrogate have no place in XML.
    EXPECT_EQ(nullptr, writer.AddElement(u"Name", u"bell\u0007", nullptr));
    const char16_t lone[] = {u'a', static_cast<char16_t>(0xD800), 0};
    EXPECT_EQ(nullptr, writer.AddElement({u"Name", u""}, {{u"Type", lone}}, nullptr));
    EXPECT_EQ(static_cast<HRESULT>(NTE_FAIL), writer.ErrorCode());

    ASSERT_NE(nullptr, writer.AddElement(u"Subject", nullptr));
    EXPECT_EQ(0, writer.ErrorCode());
    EXPECT_EQ(u"", writer.ErrorText());
    std::vector<BYTE> bytes;
    ASSERT_TRUE(writer.Save(bytes));
    const ParsedDoc doc = parse(bytes);
    ASSERT_TRUE(doc);
    const auto children = childElements(xmlDocGetRootElement(doc.get()));
    ASSERT_EQ(1u, children.size()) << "failed elements were not appended";
    EXPECT_EQ("Subject", nameOf(children[0]));

    TXml unknown;
    unknown.SetDeclaration(u"version=\"1.0\" encoding=\"no-such-page\"");
    ASSERT_TRUE(unknown.New(u"pentak", u""));
    bytes = {1, 2};
    EXPECT_FALSE(unknown.Save(bytes));
    EXPECT_EQ(static_cast<HRESULT>(E_FAIL), unknown.ErrorCode());
    EXPECT_EQ(0u, unknown.ErrorText().find(u"TXml::Save()error: code = 0x80004005, "));
}

// The style-sheet instruction between the declaration and the root, a
// namespace declared once on the root and taken by its elements, an
// instruction of the caller's after the root, and a fragment that holds
// elements outside the document.
TEST(XmlWriter, StyleSheetNamespaceInstructionsAndFragmentsTakeTheirPlaces) {
    TXml writer;
    writer.SetDeclaration(u"version=\"1.0\" encoding=\"UTF-8\"");
    writer.SetStyleSheet(u"type=\"text/xsl\" href=\"certifikát.xsl\"");
    writer.SetNamespaceURI(u"urn:tesk:pentak");
    EXPECT_EQ(nullptr, writer.createDocumentFragment());
    EXPECT_EQ(0u, writer.ErrorText().find(u"TXml::createDocumentFragment()error: code = 0x80004003, "));
    ASSERT_TRUE(writer.New(u"pentak", u""));
    xmlNodePtr certificate = writer.AddElement(u"Certificate", nullptr);
    ASSERT_NE(nullptr, writer.AddElement(u"Subject", u"Jan Novák", certificate));
    xmlNodePtr fragment = writer.createDocumentFragment();
    ASSERT_NE(nullptr, fragment);
    EXPECT_EQ(u"", writer.ErrorText());
    ASSERT_NE(nullptr, writer.AddElement(u"Loose", u"mimo", fragment));
    ASSERT_TRUE(writer.CreateProcessingInstruction(u"tesk", u"verze=\"2\""));
    EXPECT_FALSE(writer.CreateProcessingInstruction(u"a b", u""));
    EXPECT_FALSE(writer.CreateProcessingInstruction(u"tesk", u"a ?> b"));
    EXPECT_EQ(static_cast<HRESULT>(E_INVALIDARG), writer.ErrorCode());
    EXPECT_EQ(0u, writer.ErrorText().find(u"TXml::CreateProcessingInstruction()error: code = 0x80070057, "));

    std::vector<BYTE> bytes;
    ASSERT_TRUE(writer.Save(bytes));
    const std::string text(bytes.begin(), bytes.end());
    const auto stylesheet = text.find("<?xml-stylesheet type=\"text/xsl\" href=\"certifikát.xsl\"?>");
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << text;
    EXPECT_NE(std::string::npos, stylesheet) << text;
    EXPECT_LT(stylesheet, text.find("<pentak xmlns=\"urn:tesk:pentak\">")) << text;
    EXPECT_EQ(text.find("xmlns"), text.rfind("xmlns")) << "declared once: " << text;
    EXPECT_EQ(std::string::npos, text.find("Loose")) << "a fragment is not in the document";
    const ParsedDoc doc = parse(bytes);
    ASSERT_TRUE(doc) << text;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    ASSERT_TRUE(root->ns);
    const auto subject = childElements(childElements(root).at(0)).at(0);
    ASSERT_TRUE(subject->ns);
    EXPECT_STREQ("urn:tesk:pentak", reinterpret_cast<const char*>(subject->ns->href));
    EXPECT_EQ("Jan Novák", textOf(subject));
    ASSERT_TRUE(root->next);
    EXPECT_EQ(XML_PI_NODE, root->next->type);
    EXPECT_EQ("tesk", nameOf(root->next));
}

// A fragment's content placed in the document the ways libxml2 offers (the
// fragment appended itself, as a DOM appends one, or its nodes moved out of
// it) is written where it was placed and freed once, with the document;
// a fragment left aside, and one placed in another, go with the writer.
// Run under valgrind or AddressSanitizer, a node freed twice shows.
TEST(XmlWriter, AFragmentsContentPlacedInTheDocumentIsWrittenThereAndFreedOnce) {
    TXml writer;
    for (int document = 0; document < 2; ++document) {
        SCOPED_TRACE(document);
        ASSERT_TRUE(writer.Init());
        ASSERT_TRUE(writer.New(u"pentak", u""));
        xmlNodePtr certificate = writer.AddElement(u"Certificate", nullptr);
        ASSERT_NE(nullptr, certificate);
        xmlNodePtr moved = writer.createDocumentFragment();
        ASSERT_NE(nullptr, writer.AddElement(u"Subject", u"Jan Novák", moved));
        ASSERT_NE(nullptr, writer.AddElement(u"Issuer", u"Pošta CA", moved));
        xmlAddChildList(certificate, moved->children);
        xmlNodePtr appended = writer.createDocumentFragment();
        ASSERT_NE(nullptr, writer.AddElement(u"Serial", 42, appended));
        ASSERT_EQ(appended, xmlAddChild(certificate, appended));
        xmlNodePtr outer = writer.createDocumentFragment();
        xmlNodePtr inner = writer.createDocumentFragment();
        ASSERT_NE(nullptr, writer.AddElement(u"Inner", u"", inner));
        ASSERT_EQ(inner, xmlAddChild(outer, inner));

        std::vector<BYTE> bytes;
        ASSERT_TRUE(writer.Save(bytes));
        const ParsedDoc doc = parse(bytes);
        ASSERT_TRUE(doc) << std::string(bytes.begin(), bytes.end());
        std::vector<std::string> names;
        for (const xmlNode* child : childElements(childElements(xmlDocGetRootElement(doc.get())).at(0)))
            names.push_back(nameOf(child) + "=" + textOf(child));
        EXPECT_EQ((std::vector<std::string>{"Subject=Jan Novák", "Issuer=Pošta CA", "Serial=42"}), names);
    }
}

// Saving into a destination: a file, whole, in a Czech folder, beside a
// file named as the file with ".new", which stays as it was; a file that
// cannot be written leaves the one there as it was and nothing beside it.
// Any failure is E_FAIL; a document that cannot be written gives its own
// error and line.
TEST(XmlWriter, SavingIntoAFileWritesTheSameBytesOrKeepsTheFileThere) {
    testkit::PlatformRoot root;
    TXml none;
    EXPECT_EQ(nullptr, none.AddElement(u"Orphan", nullptr));
    const std::u16string before = none.ErrorText();
    VARIANT destination;
    VariantInit(&destination);
    EXPECT_FALSE(none.Save(destination));
    EXPECT_EQ(before, none.ErrorText()) << "without a document the error stays";

    TXml writer;
    fill(writer);
    std::vector<BYTE> bytes;
    ASSERT_TRUE(writer.Save(bytes));
    EXPECT_FALSE(writer.Save(destination));
    EXPECT_EQ(static_cast<HRESULT>(E_FAIL), writer.ErrorCode());

    const auto folder = root.path() / "Dokumenty Příliš žluťoučký";
    std::filesystem::create_directories(folder);
    const auto file = folder / "certifikát.xml";
    root.write("Dokumenty Příliš žluťoučký/certifikát.xml.new", "the user's own");
    destination.vt = VT_BSTR;
    destination.bstrVal = SysAllocString(platform::paths::toWide(file).c_str());
    ASSERT_TRUE(writer.Save(destination)) << platform::text::toUtf8(writer.ErrorText());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), root.read("Dokumenty Příliš žluťoučký/certifikát.xml"));
    EXPECT_EQ("the user's own", root.read("Dokumenty Příliš žluťoučký/certifikát.xml.new"));
    VariantClear(&destination);
    const auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };

    // A folder in the file's place: the rename fails, nothing is left beside it.
    std::filesystem::create_directories(folder / "obsazeno.xml" / "uvnitř");
    const auto beside = listing();
    destination.vt = VT_BSTR;
    destination.bstrVal = SysAllocString(platform::paths::toWide(folder / "obsazeno.xml").c_str());
    EXPECT_FALSE(writer.Save(destination));
    EXPECT_EQ(static_cast<HRESULT>(E_FAIL), writer.ErrorCode());
    EXPECT_EQ(0u, writer.ErrorText().find(u"TXml::Save()error: code = 0x80004005, "))
        << platform::text::toUtf8(writer.ErrorText());
    EXPECT_NE(std::u16string::npos, writer.ErrorText().find(u"obsazeno.xml cannot be written: "))
        << platform::text::toUtf8(writer.ErrorText());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "obsazeno.xml" / "uvnitř"));
    EXPECT_EQ(beside, listing()) << "nothing left beside it";

    // Text that is no UTF-8, put in by libxml2's own call, cannot be
    // written in windows-1250: libxml2's encoder error, the file as it was.
    xmlNodeAddContent(writer.AddElement(u"Broken", nullptr), reinterpret_cast<const xmlChar*>("a\xFF\xFE"));
    VariantClear(&destination);
    destination.vt = VT_BSTR;
    destination.bstrVal = SysAllocString(platform::paths::toWide(file).c_str());
    EXPECT_FALSE(writer.Save(destination));
    EXPECT_EQ(HRESULT_OF(0x00000608u), writer.ErrorCode());
    EXPECT_EQ(u"TXml::Save() error: code = 0x00000608, at line 0\nencoder error\n", writer.ErrorText());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), root.read("Dokumenty Příliš žluťoučký/certifikát.xml"));
    EXPECT_EQ(beside, listing());
    VariantClear(&destination);
}

}  // namespace
