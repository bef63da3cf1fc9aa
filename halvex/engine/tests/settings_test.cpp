// The settings file in the configuration folder over the provider entries:
// attribute values count only when exactly "TRUE" or "FALSE", an entry
// replaces a built-in one whole, and a damaged or hostile file is refused
// with the parser's reason while the built-in entries stay.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex/settings_xml.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/bounded_run.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace halvex {
namespace {

class HalvexSettings : public ::testing::Test {
protected:
    void SetUp() override {
        log.SetPath(platform::paths::toWide(root.path() / "halvex.log"));
        log.Init(true, true);
    }
    void TearDown() override {
        log.Init(false, false);
        log.SetPath(u"");
    }
    // Writes conf/Halvex.xml and points the application data at conf.
    std::filesystem::path settings(const std::string& xml) {
        const auto file = root.write("conf/Halvex.xml", xml);
        app.SetConfigurationFolder(platform::paths::toWide(file.parent_path()));
        return file;
    }
    std::string logged() const {
        return std::filesystem::exists(root.path() / "halvex.log") ? root.read("halvex.log") : "";
    }
    void expectBuiltInEntries() const {
        EXPECT_EQ(app.Providers().Lookup(u"KavloCSP"), (ProviderEntry{0x17E, 1, 0}));
        EXPECT_EQ(app.Providers().Lookup(u"Microsoft Strong Cryptographic Provider"), (ProviderEntry{0x183, 1, 0}));
    }

    testkit::PlatformRoot root;
    TLogFile& log = TLogFile::GetInstance();
    TAppData app;
};

TEST_F(HalvexSettings, ProvidersOfTheSettingsFileInTheConfigurationFolderTakeTheirFlagsFromExactValues) {
    settings(R"(<?xml version="1.0" encoding="utf-8"?>
<halvex>
  <csplist>
    <csp name="KavloCSP" card="TRUE"/>
    <csp name="Lower Case Card" card="true" sscd="true" enabled="false" proof="true"/>
    <csp name="Everything" card="TRUE" sscd="TRUE" other="TRUE" parvel="TRUE" parvel_native="TRUE"
         enabled="FALSE" proof="TRUE"/>
    <csp name="Near Misses" card=" TRUE" parvel="True" enabled="FALSE " proof="TRUE "/>
    <csp name="Řež CSP" card="TRUE"/>
    <csp card="TRUE" enabled="FALSE"/>
    <csp name="" card="TRUE"/>
  </csplist>
  <elsewhere><csp name="Not In The List"/></elsewhere>
</halvex>
)");
    EXPECT_EQ(platform::paths::fromWindows(app.GetSettingsPath()), root.path() / "conf/Halvex.xml");
    EXPECT_TRUE(app.LoadCspList());

    const TCSPManager& providers = app.Providers();
    // Replaced whole: none of the built-in entry's other flags remain.
    EXPECT_EQ(providers.Lookup(u"KavloCSP"), (ProviderEntry{kProviderCard, 1, 0}));
    EXPECT_FALSE(providers.HasFlags(u"KavloCSP", kProviderParvel | kProviderLabelsKeys));
    EXPECT_EQ(providers.Lookup(u"Lower Case Card"), (ProviderEntry{kProviderSoftware, 1, 0}));
    EXPECT_EQ(providers.Lookup(u"Everything"),
              (ProviderEntry{kProviderCard | kProviderSscd | kProviderOther | kProviderParvel | kProviderParvelNative,
                             0, 1}));
    EXPECT_EQ(providers.Lookup(u"Near Misses"), (ProviderEntry{kProviderSoftware, 1, 0}));
    EXPECT_TRUE(providers.HasFlags(u"Řež CSP", kProviderCard));
    EXPECT_FALSE(providers.Lookup(u""));
    EXPECT_FALSE(providers.Lookup(u"Not In The List"));
    EXPECT_FALSE(providers.HasFlags(u"Not In The List", 0xFFFFFFFF));
    // Names compare exactly.
    EXPECT_FALSE(providers.Lookup(u"kavlocsp"));
    EXPECT_EQ(providers.Lookup(u"Zintra CSP"), (ProviderEntry{0x1C, 1, 0}));

    // A folder given with its final separator names the same file.
    TAppData again;
    again.SetConfigurationFolder(platform::paths::toWide(root.path() / "conf") + u"\\");
    EXPECT_TRUE(again.LoadCspList());
    EXPECT_EQ(again.Providers().Lookup(u"KavloCSP"), (ProviderEntry{kProviderCard, 1, 0}));
}

TEST_F(HalvexSettings, WithoutASettingsFileTheBuiltInEntriesStay) {
    EXPECT_FALSE(app.LoadCspList());
    app.SetConfigurationFolder(platform::paths::toWide(root.path() / "empty"));
    EXPECT_FALSE(app.LoadCspList());
    settings("<halvex><csplist/></halvex>");
    EXPECT_TRUE(app.LoadCspList());
    expectBuiltInEntries();
    EXPECT_EQ("", logged());
}

TEST_F(HalvexSettings, AFileTheParserRejectsIsLoggedWithItsLineAndReasonAndChangesNothing) {
    const auto file = settings(
        "<halvex>\n<csplist>\n<csp name=\"KavloCSP\" card=\"TRUE\">\n<csp name=\"New\"/>\n</csplist>\n</halvex>\n");
    EXPECT_FALSE(app.LoadCspList());
    expectBuiltInEntries();
    EXPECT_FALSE(app.Providers().Lookup(u"New"));

    // xmllint rejects the file for the same line and reason.
    TESTKIT_REQUIRE_PROGRAM("xmllint");
    const auto lint = testkit::run({"xmllint", "--noout", file.string()});
    EXPECT_NE(0, lint.exitCode);
    std::smatch found;
    ASSERT_TRUE(std::regex_search(lint.err, found, std::regex(":([0-9]+): parser error : ([^\n]+)"))) << lint.err;
    EXPECT_NE(std::string::npos, logged().find("TXml::Load(): parse error TXml::LoadFromFile(): parse error at line " +
                                               found[1].str() + "\n\t\t\t" + found[2].str() + "\n"))
        << logged() << lint.err;
}

// A text parses as the file does, whatever encoding it declares; the last
// failure, a parse or an expression, is kept with its code and logged.
TEST_F(HalvexSettings, TheXmlReaderKeepsAndLogsItsLastFailure) {
    const std::string broken = "<halvex>\n<csplist>\n<csp name=\"Řež\">\n</csplist>\n</halvex>\n";
    TXml xml;
    ASSERT_FALSE(xml.LoadFromFile(platform::paths::toWide(settings(broken))));
    const std::u16string fromFile = xml.LastErrorText();
    EXPECT_EQ(fromFile.rfind(u"TXml::LoadFromFile(): parse error at line 4\n", 0), 0u) << fromFile.size();
    EXPECT_FALSE(xml.Load(platform::text::fromUtf8(broken)));
    EXPECT_EQ(xml.LastErrorText(), u"TXml::Load" + fromFile.substr(fromFile.find(u"(): ")));
    EXPECT_EQ(xml.LastErrorCode(), 76) << "libxml2's code of an end tag that does not match";
    EXPECT_NE(std::string::npos, logged().find("TXml::Load(): parse error TXml::Load(): parse error at line 4\n"));

    // A file is read by its own name only: "%20" is no blank to it.
    root.write("conf/Nastavení A.xml", "<halvex/>");
    EXPECT_FALSE(xml.LoadFromFile(platform::paths::toWide(root.path() / "conf/Nastavení%20A.xml")));
    EXPECT_TRUE(xml.LoadFromFile(platform::paths::toWide(root.path() / "conf/Nastavení A.xml")));

    ASSERT_TRUE(xml.Load(u"<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n"
                         u"<halvex><csplist><csp name=\"Řež CSP\"/><csp/></csplist></halvex>"));
    const auto elements = xml.GetNodes(u"halvex/csplist/csp");
    ASSERT_EQ(elements.size(), 2u);
    std::u16string name = u"kept";
    EXPECT_TRUE(TXml::GetElmAttr(elements[0], u"name", name));
    EXPECT_EQ(name, u"Řež CSP");
    EXPECT_FALSE(TXml::GetElmAttr(elements[1], u"name", name));
    EXPECT_EQ(name, u"Řež CSP");

    EXPECT_TRUE(xml.GetNodes(u"halvex/csplist/csp[").empty());
    const std::u16string failed = xml.LastErrorText();
    EXPECT_EQ(failed.rfind(u"TXml::GetNodes() error: kod = 0x000004B", 0), 0u) << platform::text::toUtf8(failed);
    EXPECT_TRUE(failed.ends_with(u"\n\nzdroj = libxml2\npopis = halvex/csplist/csp[\n")) << platform::text::toUtf8(failed);
    EXPECT_NE(std::string::npos, logged().find("> TXml::GetNodes() error: kod = 0x000004B")) << logged();
    EXPECT_TRUE(xml.GetNodes(u"count(halvex)").empty()) << "a number selects no elements";
}

TEST_F(HalvexSettings, HostileMarkupIsRefusedAndNoEntityIsFetched) {
    // Each hostile markup in an entry's text, from the file and from a text,
    // in a child process with capped memory.
    for (const auto& bomb : testkit::HostileMarkups("halvex")) {
        const std::string document = "<?xml version=\"1.0\"?>\n" + bomb.doctype +
                                     "<halvex><csplist><csp name=\"KavloCSP\" card=\"TRUE\">" + bomb.references +
                                     "</csp><csp name=\"KavloCSP\"/></csplist></halvex>\n";
        const auto file = settings(document);
        const auto run = testkit::RunBounded([&] {
            TXml xml;
            if (xml.LoadFromFile(platform::paths::toWide(file))) return 1;
            if (xml.LastErrorText() != u"TXml::LoadFromFile(): parse error at line 3\n" + platform::text::fromUtf8(bomb.refusal))
                return 2;
            if (xml.Load(platform::text::fromUtf8(document))) return 3;
            return app.LoadCspList() ? 4 : 0;
        });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
    expectBuiltInEntries();

    const auto secret = root.write("secret.txt", "Secret Provider");

    settings("<?xml version=\"1.0\"?>\n<!DOCTYPE halvex [\n<!ENTITY secret SYSTEM \"file://" + secret.string() +
             "\">\n<!ENTITY remote SYSTEM \"http://127.0.0.1:1/x\">\n]>\n"
             "<halvex><csplist><csp name=\"&secret;\"/><csp name=\"x&remote;\"/></csplist></halvex>\n");
    // An attribute may not refer to an outside entity: the file is refused.
    EXPECT_FALSE(app.LoadCspList());
    EXPECT_FALSE(app.Providers().Lookup(u"Secret Provider"));
    EXPECT_FALSE(app.Providers().Lookup(u"xSecret Provider"));
    expectBuiltInEntries();
}

TEST(HalvexAppData, RequestTextsGiveKindsAndKindsGiveRequestTypes) {
    const TAppData app;
    struct Row {
        std::u16string text;
        DWORD kind;
    };
    for (const Row& row : {Row{u"RQC", 0x80001}, Row{u"QC", 0x1}, Row{u"XQC", 0x1}, Row{u"RSD", 0x80082},
                           Row{u"RRQC", 0x1}, Row{u"Q", 0}, Row{u"", 0}, Row{u"QS", 0}, Row{u"qc", 0}})
        EXPECT_EQ(row.kind, app.RequestKind(row.text)) << std::string(row.text.begin(), row.text.end());

    // The certificate's type; a renewal, the authority's family and a
    // lawyer card keep it.
    const RequestType* parvel = app.FindRequestType(0x80081);
    ASSERT_NE(nullptr, parvel);
    EXPECT_EQ(std::u16string(u"QD"), parvel->code);
    EXPECT_EQ(std::u16string(u"cp_qc.pdf"), parvel->policyDocument);
    EXPECT_EQ(nullptr, app.FindRequestType(0x3));
    for (const DWORD qualified : {0x80101u, 0x80801u, 0x80901u})
        EXPECT_EQ(std::u16string(u"QC"), app.FindRequestType(qualified)->code) << qualified;
    EXPECT_EQ(std::u16string(u"SC"), app.FindRequestType(0x802)->code) << "the authentication request";
    EXPECT_EQ(std::u16string(u"SC"), app.FindRequestType(0x80802)->code) << "a lawyer card's commercial request";

    EXPECT_EQ(u"1.2.840.113549.1.1.11", app.DefaultHashAlgorithm());
    EXPECT_TRUE(app.IsListedHash(u"1.2.840.113549.1.1.13"));
    EXPECT_FALSE(app.IsListedHash(u"1.2.840.113549.1.1.5"));
    EXPECT_EQ(u"1.3.14.3.2.29", NormalizeSha1Oid(u"1.2.840.113549.1.1.5"));
    EXPECT_EQ(u"1.2.840.113549.1.1.11", NormalizeSha1Oid(u"1.2.840.113549.1.1.11"));
}

}  // namespace
}  // namespace halvex
