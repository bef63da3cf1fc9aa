// The one reader of outside XML: data is read, declared entities are
// refused before they can grow, and the first error says why.
#include "common/xml_read.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "testkit/bounded_run.h"

namespace {

using tesk::xml::ReadError;

std::string ContentOf(xmlDoc* document) {
    xmlChar* text = xmlNodeGetContent(xmlDocGetRootElement(document));
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

TEST(XmlRead, DataIsReadWithItsPredefinedAndCharacterReferences) {
    ReadError error;
    const auto document = tesk::xml::ReadMemory(
        "<!DOCTYPE a [<!ELEMENT a (#PCDATA)>]><a>P&#345;&#237;li&#353; &amp; &lt;&#x17E;lu&#x165;ou&#x10D;k&#xFD;&gt;</a>",
        nullptr, nullptr, &error);
    ASSERT_TRUE(document) << error.message;
    EXPECT_EQ("Příliš & <žluťoučký>", ContentOf(document.get()));
    EXPECT_EQ(0, error.code);
}

TEST(XmlRead, HostileMarkupIsRefusedQuicklyWithLittleMemory) {
    for (const auto& bomb : testkit::HostileMarkups("a")) {
        const std::string document = "<?xml version=\"1.0\"?>\n" + bomb.doctype + "<a>" + bomb.references + "</a>";
        ASSERT_LT(document.size(), 1u << 20) << bomb.name;
        const auto run = testkit::RunBounded([&] {
            ReadError error;
            const auto read = tesk::xml::ReadMemory(document, nullptr, nullptr, &error);
            if (read) return ContentOf(read.get()).size() > 0 ? 1 : 2;
            return error.code == XML_ERR_USER_STOP && error.line == 3 && error.message == bomb.refusal ? 0 : 3;
        });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
}

// The bounds hold in UTF-16 as in UTF-8, and for markup the parser would
// take up again after an error (behind a character no document holds, a
// processing instruction without a target): what cannot be followed is not
// parsed at all.
TEST(XmlRead, MarkupIsBoundedInEveryEncodingAndWhereTheParserWouldRecover) {
    std::string flood;
    for (const auto& shape : testkit::HostileMarkups("r"))
        if (shape.name == "attributes") flood = shape.references;
    ASSERT_FALSE(flood.empty());
    std::string utf16 = "\xFF\xFE";
    for (char c : "<r>" + flood + "</r>") utf16 += {c, '\0'};
    const std::vector<std::pair<const char*, std::string>> hostile = {
        {"UTF-16", utf16},
        {"after a control character", "<r><!-- \x01 -->" + flood + "<!-- --></r>"},
        {"after an instruction without a target", "<r><? " + flood + "?></r>"},
        {"inside an attribute value", "<r a='" + flood + "'/>"},
    };
    for (const auto& [name, document] : hostile) {
        const auto run = testkit::RunBounded([&] { return tesk::xml::ReadMemory(document) ? 1 : 0; });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << name;
    }

    ReadError error;
    EXPECT_FALSE(tesk::xml::ReadMemory(std::string("\0\0\0<\0\0\0r\0\0\0/\0\0\0>", 16), nullptr, nullptr, &error));
    EXPECT_EQ("Encoding not accepted", error.message);
    EXPECT_FALSE(tesk::xml::ReadMemory("<r/>junk", nullptr, nullptr, &error));
    EXPECT_EQ(XML_ERR_DOCUMENT_END, error.code);

    const auto czech = tesk::xml::ReadMemory(
        "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<r x:y='1' xmlns:x='u'><!-- < --><![CDATA[<]]>\x9E"
        "lu\x9Dou\xE8k\xFD\xED\xA0</r>", nullptr, nullptr, &error);
    ASSERT_TRUE(czech) << error.message;
    EXPECT_EQ("<žluťoučkýí\xC2\xA0", ContentOf(czech.get()));
    const std::string wide("\xFE\xFF\0<\0r\0>\x01\x61\0<\0/\0r\0>", 18);
    const auto big = tesk::xml::ReadMemory(wide, nullptr, nullptr, &error);
    ASSERT_TRUE(big) << error.message;
    EXPECT_EQ("š", ContentOf(big.get()));
}

TEST(XmlRead, ExternalEntitiesAndDocumentTypesLoadNothing) {
    // A blank and a Czech letter in the path make the system literal no
    // valid URI, which libxml2 alone would let pass unrefused.
    const auto folder = std::filesystem::temp_directory_path() / ("xml read ž " + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "secret.txt") << "secret";
    std::ofstream(folder / "type.dtd") << "<!ENTITY leak SYSTEM \"secret.txt\">";
    const std::string secret = (folder / "secret.txt").string();
    const std::string type = (folder / "type.dtd").string();

    ReadError error;
    EXPECT_FALSE(tesk::xml::ReadMemory("<!DOCTYPE a [<!ENTITY leak SYSTEM \"file://" + secret + "\">]><a>&leak;</a>",
                                       nullptr, nullptr, &error));
    EXPECT_EQ(XML_ERR_USER_STOP, error.code);
    EXPECT_EQ("Entity declarations are not accepted", error.message);

    // An outside document type is never loaded, so its entity stays unknown.
    const auto document =
        tesk::xml::ReadMemory("<!DOCTYPE a SYSTEM \"file://" + type + "\"><a>[&leak;]</a>", nullptr, nullptr, &error);
    if (document) {
        EXPECT_EQ("[]", ContentOf(document.get()));
    }
    std::filesystem::remove_all(folder);
}

TEST(XmlRead, TheFirstErrorSaysWhyAFileIsNotADocument) {
    const auto file = std::filesystem::temp_directory_path() / ("xml_read_" + std::to_string(getpid()) + ".xml");
    std::ofstream(file) << "<a>\n<b></a>";
    ReadError error;
    EXPECT_FALSE(tesk::xml::ReadFile(file.string(), &error));
    EXPECT_EQ(XML_ERR_TAG_NAME_MISMATCH, error.code);
    EXPECT_EQ(2, error.line);
    EXPECT_NE(std::string::npos, error.message.find("mismatch")) << error.message;
    std::filesystem::remove(file);

    EXPECT_FALSE(tesk::xml::ReadFile(file.string(), &error));
    EXPECT_NE(0, error.code) << "a missing file";
    EXPECT_FALSE(tesk::xml::ReadMemory("", nullptr, nullptr, &error));
    EXPECT_NE(0, error.code);
}

}  // namespace
