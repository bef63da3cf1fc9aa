// A policy with every part RFC 3125 defines, read, labelled and named in
// each language, then inserted into a recording tree view.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "asn1view/der_reader.h"
#include "asn1view/policy_tree.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"

namespace {

using namespace asn1view;

// The items a tree view would show: text (UTF-8), parent, and which were
// expanded.
class RecordingView : public TreeView {
public:
    struct Node {
        std::string text;
        Item parent;
        std::vector<Item> children;
    };
    std::map<Item, Node> items;
    std::vector<Item> top;
    std::set<Item> expanded;

    Item InsertItem(Item parent, const std::string& text) override {
        const Item item = items.size() + 1;
        items[item] = {platform::text::ansiToUtf8(text), parent, {}};
        (parent == kRoot ? top : items.at(parent).children).push_back(item);
        return item;
    }
    void Expand(Item item) override { expanded.insert(item); }

    // The texts of an item's children.
    std::vector<std::string> Texts(Item parent) const {
        std::vector<std::string> texts;
        for (const Item child : parent == kRoot ? top : items.at(parent).children) texts.push_back(items.at(child).text);
        return texts;
    }
    // The first item, depth first, whose text is this.
    Item Find(const std::string& text, Item under = kRoot) const {
        for (const Item child : under == kRoot ? top : items.at(under).children) {
            if (items.at(child).text == text) return child;
            if (const Item found = Find(text, child)) return found;
        }
        return 0;
    }
};

class PolicyTree : public ::testing::Test {
protected:
    testkit::PlatformRoot folder;
    testkit::Bytes der = [this] {
        std::filesystem::create_directories(folder.path() / "scratch");
        return testkit::policy::fromGenconf(std::filesystem::path(ASN1VIEW_POLICY_SOURCES) / "qualified.cnf", {},
                                            folder.path() / "scratch");
    }();

    RecordingView Show(DWORD language, const std::filesystem::path& oidFiles = ASN1VIEW_OID_FILES) {
        ASNRoot root;
        const PolicyTreeLoad load = LoadPolicyTree(root, der, language, oidFiles);
        EXPECT_TRUE(load.TreeComplete());
        RecordingView view;
        root.InsertIntoTree(nullptr, view);
        return view;
    }
};

// Every part stands under its caption, the hidden tags' contents in their
// place, enumerations by the meaning of their value, only the policy and
// its abstract expanded.
TEST_F(PolicyTree, ShowsEveryPartOfThePolicyUnderItsCaption) {
    const RecordingView view = Show(2);
    ASSERT_EQ(std::vector<std::string>{"Signature Policy"}, view.Texts(TreeView::kRoot));
    const auto policy = view.top.at(0);
    const auto parts = view.Texts(policy);
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ("HASH Algorithm", parts[0]);
    EXPECT_EQ("Policy Abstract", parts[1]);
    EXPECT_EQ(0u, parts[2].rfind("HASH of Policy - ", 0)) << parts[2];
    EXPECT_EQ((std::set<TreeView::Item>{policy, view.Find("Policy Abstract")}), view.expanded);

    EXPECT_EQ("Policy Identification - Qualified electronic signature policy (1.3.6.1.4.1.32473.10.1.1)",
              view.Texts(view.Find("Policy Abstract")).at(0));
    // The directory name's attributes stand right under the issuer.
    EXPECT_EQ((std::vector<std::string>{"Sequence", "Sequence", "Sequence",
                                        "String - http://www.tesk.example/policies/qes1.der"}),
              view.Texts(view.Find("Policy Issuer")));
    EXPECT_EQ((std::vector<std::string>{"Common name (2.5.4.3)", "Správce podpisových politik"}),
              view.Texts(view.items.at(view.Find("Policy Issuer")).children.at(2)));

    EXPECT_EQ((std::vector<std::string>{"Boolean - FALSE", "Mandatory included Attributes – signed",
                                        "Mandatory included Attributes – unsigned",
                                        "Mandatory included Reference to Certificates - Certificates of full path",
                                        "Mandatory included Certificates - Signature Certificate only", "Extensions"}),
              view.Texts(view.Find("Signer Rules")));

    EXPECT_EQ((std::vector<std::string>{"Mandatory included Attributes unsigned, if they are not included in signature",
                                        "Extensions"}),
              view.Texts(view.Find("Verifier Rules")));

    const auto timestamp = view.Find("Rules for Time Stamp Authority certificate");
    EXPECT_EQ((std::vector<std::string>{"Trust path", "Requirements of Revocation control",
                                        "Name Constraints - subject, subjAltName in certificates", "Time interval",
                                        "Max. Acceptable time Delay from signed time to add time stamp"}),
              view.Texts(timestamp));
    EXPECT_EQ((std::vector<std::string>{"Seconds - 0", "Minutes - 30", "Hours - 0", "Days - 1"}),
              view.Texts(view.Find("Time interval", timestamp)));
    EXPECT_EQ((std::vector<std::string>{"Seconds - 15", "Minutes - 0", "Hours - 4", "Days - 0"}),
              view.Texts(view.Find("Max. Acceptable time Delay from signed time to add time stamp", timestamp)));

    EXPECT_EQ((std::vector<std::string>{"ID Algorithm - SHA-512 with RSA (1.2.840.113549.1.1.13)",
                                        "Minimum Key Length - 3072", "Extension"}),
              view.Texts(view.items.at(view.Find("Enable algorithm for Certificates CA Issuer")).children.at(2)));
    EXPECT_NE(0u, view.Find("For signatures without confirmation"));
    EXPECT_EQ((std::vector<std::string>{"Proof of origin (1.2.840.113549.1.9.16.6.1)",
                                        "Field of Application - Elektronická podání", "Semantics - Původ dokumentu"}),
              view.Texts(view.Find("Recognized Commitment Type")));

    // Each revocation requirement value reads differently; no node is left
    // with the reader's own name.
    std::set<std::string> revocation;
    for (const auto& [item, node] : view.items) {
        if (node.text.rfind("Enumerated Requirements of Revocation control - ", 0) == 0) revocation.insert(node.text);
        EXPECT_EQ(std::string::npos, node.text.find("Sekvence")) << node.text;
        EXPECT_EQ(std::string::npos, node.text.find("Distinct Tag")) << node.text;
    }
    EXPECT_EQ(6u, revocation.size());
}

// The same tree in each language, its captions and descriptions in that
// language only.
TEST_F(PolicyTree, NamesTheTreeInEachLanguage) {
    struct Expected {
        DWORD language;
        std::string policy, digest, attributes;
        std::vector<std::string> attributeRules;
    };
    std::vector<RecordingView> views;
    for (const Expected& e :
         {Expected{0, "Podpisová politika", "Otisk zprávy (1.2.840.113549.1.9.4)", "Pravidla pro certifikované atributy",
                   {"Boolean - TRUE", "Pravidla ověření atributů - libovolný atribut",
                    "Cesta důvěry pro atributové certifikáty",
                    "Požadavky na kontrolu zneplatnění atributových certifikátů", "Omezení atributů"}},
          Expected{1, "Podpisová politika", "Odtlačok správy (1.2.840.113549.1.9.4)", "Pravidlá pre certifikované atribúty",
                   {"Boolean - TRUE", "Pravidlá overenia atribútov - ľubovoľný atribút",
                    "Cesta dôvery pre atribútové certifikáty",
                    "Požiadavky na kontrolu zneplatnenia atribútových certifikátov", "Obmedzenia atribútov"}},
          Expected{2, "Signature Policy", "Message digest (1.2.840.113549.1.9.4)", "Rules for Certified attributes",
                   {"Boolean - TRUE", "Verify Attribute Rules - arbitrary attribute",
                    "Trust path for Attribute certificates",
                    "Requirements of Revocation control of Attribute Certificates", "Attribute Constraints"}}}) {
        views.push_back(Show(e.language));
        const RecordingView& view = views.back();
        EXPECT_EQ(std::vector<std::string>{e.policy}, view.Texts(TreeView::kRoot));
        EXPECT_NE(0u, view.Find(e.digest)) << e.language;
        EXPECT_EQ(e.attributeRules, view.Texts(view.Find(e.attributes))) << e.language;
        EXPECT_EQ(2u, view.expanded.size());
    }
    EXPECT_EQ(0u, views[2].Find("Otisk zprávy (1.2.840.113549.1.9.4)"));
    EXPECT_EQ(0u, views[0].Find("Message digest (1.2.840.113549.1.9.4)"));
    EXPECT_NE(views[0].Texts(views[0].top[0]), views[1].Texts(views[1].top[0]));
    for (const auto& view : views) {
        std::vector<TreeView::Item> shape;
        for (const auto& [item, node] : view.items) shape.push_back(node.parent);
        std::vector<TreeView::Item> english;
        for (const auto& [item, node] : views[2].items) english.push_back(node.parent);
        EXPECT_EQ(english, shape);
    }
}

// Without its description file the tree is still whole and named; OIDs are
// shown dotted.
TEST_F(PolicyTree, StaysCompleteWithoutDescriptionFile) {
    ASNRoot root;
    const PolicyTreeLoad load = LoadPolicyTree(root, der, 1, folder.path() / "no-descriptions");
    EXPECT_TRUE(load.TreeComplete());
    EXPECT_FALSE(load.descriptionsLoaded);
    RecordingView view;
    root.InsertIntoTree(nullptr, view);
    EXPECT_EQ(std::vector<std::string>{"Podpisová politika"}, view.Texts(TreeView::kRoot));
    EXPECT_NE(0u, view.Find("1.2.840.113549.1.9.4"));

    // A policy with a flaw (an issue date that is no DER time) is refused
    // and its tree left unnamed.
    testkit::Bytes damaged = der;
    const std::string issued = "20240115083000Z";
    const auto flaw = std::search(damaged.begin(), damaged.end(), issued.begin(), issued.end());
    ASSERT_NE(damaged.end(), flaw);
    flaw[issued.size() - 1] = 'X';
    ASNRoot partial;
    EXPECT_FALSE(LoadPolicyTree(partial, damaged, 2, ASN1VIEW_OID_FILES).TreeComplete());
    EXPECT_EQ("Sekvence", partial.Children().at(0)->Name());
}

// Value texts: unlabelled leaves alone, long strings cut, bit strings
// without their unused bits, an unlabelled tag by its number.
TEST_F(PolicyTree, ShowsValuesOfUnlabelledLeaves) {
    testkit::Bytes inner = {0x06, 0x01, 0x2A, 0x01, 0x01, 0xFF, 0x04, 0x46};
    inner.insert(inner.end(), 70, 0xFF);
    inner.insert(inner.end(), {0x03, 0x07, 0x04, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0x03, 0x03, 0x04, 0xA5, 0xF0,
                               0xA3, 0x02, 0x05, 0x00});
    testkit::Bytes der = {0x30, 0x81, static_cast<std::uint8_t>(inner.size() + 3), 0x30, 0x81,
                          static_cast<std::uint8_t>(inner.size())};
    der.insert(der.end(), inner.begin(), inner.end());
    ASNRoot root;
    ASSERT_TRUE(LoadPolicyTree(root, der, 2, ASN1VIEW_OID_FILES).TreeComplete());
    RecordingView view;
    root.InsertIntoTree(nullptr, view);
    std::string octets = "Octet String - ";
    for (int i = 0; i < 65; ++i) octets += "FF ";
    EXPECT_EQ((std::vector<std::string>{"1.2", "TRUE", octets + "...",
                                        "Bit String - 00001111 11111111 11111111 11111111 11111111 ...",
                                        "Bit String - 10100101 1111 ", "[3]"}),
              view.Texts(view.Find("HASH Algorithm")));
    EXPECT_EQ(std::vector<std::string>{"NULL"}, view.Texts(view.Find("[3]")));
}

}  // namespace
