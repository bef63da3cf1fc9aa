// The XML writer's documents, read back by libxml2's parser: the declared
// encoding, escaping, characters the encoding lacks, and the errors a
// caller reads.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <memory>
#include <string>
#include <vector>

#include "parsed_xml.h"
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

}  // namespace
