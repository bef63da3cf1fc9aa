// The one reader of outside XML: data is read, declared entities are
// refused before they can grow, and the first error says why.
#include "common/xml_read.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <filesystem>
#include <fstream>

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

TEST(XmlRead, EntityBombsAreRefusedQuicklyWithLittleMemory) {
    for (const auto& bomb : testkit::EntityBombs("a")) {
        const std::string document = "<?xml version=\"1.0\"?>\n" + bomb.doctype + "<a>" + bomb.references + "</a>";
        ASSERT_LT(document.size(), 1u << 20) << bomb.name;
        const auto run = testkit::RunBounded([&] {
            ReadError error;
            const auto read = tesk::xml::ReadMemory(document, nullptr, nullptr, &error);
            if (read) return ContentOf(read.get()).size() > 0 ? 1 : 2;
            return error.code == XML_ERR_USER_STOP && error.line == 3 ? 0 : 3;
        });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
}

TEST(XmlRead, ExternalEntitiesAndDocumentTypesLoadNothing) {
    const auto folder = std::filesystem::temp_directory_path() / ("xml_read_" + std::to_string(getpid()));
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
