// The OID description table: its file format, languages, and the files the
// signing component ships.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>

#include "asn1view/oid_db.h"
#include "asn1view/policy_tree.h"
#include "platform/text.h"
#include "testkit/platform_root.h"

namespace {

using asn1view::OidDb;

class OidDescriptions : public ::testing::Test {
protected:
    testkit::PlatformRoot folder;
    OidDb& db = OidDb::Instance();

    bool Load(DWORD language, const std::string& text) {
        std::ofstream(folder.path() / OidDb::FileName(language), std::ios::binary) << text;
        db.SetLanguage(language);
        return db.Load(folder.path().c_str());
    }
};

TEST_F(OidDescriptions, ReadsTheLinesOfADescriptionFile) {
    ASSERT_TRUE(Load(2, "# OID = 9 9\n"
                        "OID = 2 5 4 3\r\n"
                        "Description =   Common    Name  \r\n"
                        "OID 1 2 3\n"                 // no separator: the 1 is taken for one
                        "Description = Two three\n"
                        " # OID = 7 7\n"             // not a comment, and no key either
                        "Description = Replaced\n"
                        "OID = 1 2 840 x 5\n"         // the arcs end at the first word that is none
                        "Description = Prefix\n"
                        "OID = 5 5\n"
                        "Description = " + std::string(999 - 14, 'y') + "\r\n"  // 999 characters: read whole
                        "OID = 4 4\n"
                        + std::string(1000, 'x') + "\n"
                        "Description = After the long line\n"));
    EXPECT_EQ("Common Name", db.Lookup({2, 5, 4, 3}));
    EXPECT_EQ("Replaced", db.Lookup({2, 3}));
    EXPECT_EQ("Prefix", db.Lookup({1, 2, 840}));
    EXPECT_EQ("", db.Lookup({1, 2}));      // no prefix matching
    EXPECT_EQ(std::string(999 - 14, 'y'), db.Lookup({5, 5}));
    EXPECT_EQ("", db.Lookup({4, 4}));      // the long line ended the file
    EXPECT_EQ("", db.Lookup({9, 9}));

    // Loading the same language again adds. A missing file changes nothing,
    // but the table does not describe in its language another's OIDs.
    ASSERT_TRUE(Load(2, "OID = 3 3\nDescription = Three\n"));
    EXPECT_EQ("Common Name", db.Lookup({2, 5, 4, 3}));
    db.SetLanguage(1);
    EXPECT_FALSE(db.Load((folder.path() / "nowhere").c_str()));
    EXPECT_EQ("", db.Lookup({3, 3}));
    db.SetLanguage(2);
    EXPECT_EQ("Three", db.Lookup({3, 3}));
}

// The file is looked for in the folder given, with or without its
// separator, or without one in the current folder; a long last line ends
// the loading also without a line end.
TEST_F(OidDescriptions, FindsItsFileInTheFolderGiven) {
    ASSERT_TRUE(Load(1, "OID = 8 8\nDescription = Osem\nOID = 6 6\nDescription = " + std::string(1000 - 14, 'z')));
    EXPECT_EQ("Osem", db.Lookup({8, 8}));
    EXPECT_EQ("", db.Lookup({6, 6}));
    ASSERT_TRUE(db.Load((folder.path().string() + "/").c_str()));
    EXPECT_EQ("Osem", db.Lookup({8, 8}));
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const bool here = db.Load(nullptr);
    std::filesystem::current_path(folder.path() / "..");
    const bool elsewhere = db.Load(nullptr);
    std::filesystem::current_path(before);
    EXPECT_TRUE(here);
    EXPECT_FALSE(elsewhere);
}

// Another language's file replaces the table, so no description stays
// behind in the language before.
TEST_F(OidDescriptions, KeepsOneLanguageAtATime) {
    ASSERT_TRUE(Load(0, "OID = 2 5 4 3\nDescription = Obecné jméno\nOID = 2 5 4 6\nDescription = Země\n"));
    ASSERT_TRUE(Load(2, "OID = 2 5 4 3\nDescription = Common name\n"));
    EXPECT_EQ("Common name", db.Lookup({2, 5, 4, 3}));
    EXPECT_EQ("", db.Lookup({2, 5, 4, 6}));
}

// The shipped files describe the same OIDs, in three different languages,
// as Windows-1250 text.
TEST_F(OidDescriptions, ShippedFilesDescribeThePolicyOidsInEveryLanguage) {
    const std::vector<std::vector<std::int32_t>> oids = {
        {1, 2, 840, 113549, 1, 9, 16, 6, 1}, {1, 2, 840, 113549, 1, 9, 16, 2, 47}, {2, 5, 4, 3},
        {2, 16, 840, 1, 101, 3, 4, 2, 1},    {2, 5, 29, 15},                       {0, 4, 0, 1862, 1, 4},
        {1, 3, 6, 1, 4, 1, 32473, 10, 1, 3}, {1, 3, 6, 1, 4, 1, 32473, 10, 1, 2}};
    std::vector<std::vector<std::string>> texts(3);
    for (DWORD language = 0; language < 3; ++language) {
        db.SetLanguage(language);
        ASSERT_TRUE(db.Load(ASN1VIEW_OID_FILES));
        for (const auto& oid : oids) {
            texts[language].push_back(db.Lookup(oid));
            EXPECT_FALSE(texts[language].back().empty()) << "language " << language << ", OID " << oid.size();
        }
    }
    EXPECT_NE(texts[0], texts[2]);
    EXPECT_NE(texts[0], texts[1]);
    EXPECT_EQ("Identifikátor podpisové politiky", [&] {
        db.SetLanguage(0);
        db.Load(ASN1VIEW_OID_FILES);
        return platform::text::ansiToUtf8(db.Lookup({1, 2, 840, 113549, 1, 9, 16, 2, 15}));
    }());
}

// The files are installed beside the signing component, whatever program
// hosts it.
TEST(ComponentDirectory, IsTheFolderOfTheModuleThatLinksTheViewer) {
    void* module = dlopen(ASN1VIEW_PROBE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, module) << dlerror();
    const auto probe = reinterpret_cast<const char* (*)()>(dlsym(module, "ProbeComponentDirectory"));
    ASSERT_NE(nullptr, probe);
    EXPECT_EQ(std::filesystem::path(ASN1VIEW_PROBE).parent_path(), std::filesystem::path(probe()));
    EXPECT_NE(asn1view::ComponentDirectory(), std::filesystem::path(probe()));
    dlclose(module);
}

}  // namespace
