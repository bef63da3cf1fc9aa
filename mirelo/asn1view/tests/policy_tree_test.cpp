// Policy trees read, labelled and named, then inserted into a recording
// tree view: without the description file, and the value texts of
// unlabelled leaves. (The whole tree of a policy with every part, in each
// language, is checked through the viewer: mirelo/tests/sign_policy_dlg_test.cpp.)
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

testkit::Bytes Item(std::uint8_t tag, std::initializer_list<testkit::Bytes> parts) {
    testkit::Bytes content;
    for (const auto& part : parts) content.insert(content.end(), part.begin(), part.end());
    testkit::Bytes der{tag, static_cast<std::uint8_t>(content.size())};
    der.insert(der.end(), content.begin(), content.end());
    return der;
}

// A child of a type its place does not list, or one after the last field,
// keeps no label; the fields after it are still recognised.
TEST_F(PolicyTree, ChildrenOutOfPlaceOrBeyondTheListedKeepNoLabel) {
    const testkit::Bytes time = Item(0x18, {{'2', '0', '2', '4', '0', '2', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'}});
    const testkit::Bytes number = {0x02, 0x01, 0x05};
    const testkit::Bytes der = Item(
        0x30, {Item(0x30, {{0x06, 0x01, 0x2A}}),
               Item(0x30, {{0x06, 0x01, 0x2A}, number, time, Item(0x30, {}),
                           Item(0x30, {Item(0x30, {time, time, number})}), Item(0x30, {}), Item(0x30, {})}),
               {0x04, 0x01, 0x00}, number});
    ASNRoot root;
    ASSERT_TRUE(LoadPolicyTree(root, der, 2, ASN1VIEW_OID_FILES).TreeComplete());
    RecordingView view;
    root.InsertIntoTree(nullptr, view);
    const std::string at = "01.02.2024 00:00:00 GMT";
    EXPECT_EQ((std::vector<std::string>{"HASH Algorithm", "Policy Abstract", "HASH of Policy - 00 ", "Integer - 5"}),
              view.Texts(view.top.at(0)));
    EXPECT_EQ((std::vector<std::string>{"Policy Identification - 1.2", "Integer - 5", "Date and Time of Issue - " + at,
                                        "Policy Issuer", "Policy of Signature Validation", "Extensions", "Sequence"}),
              view.Texts(view.Find("Policy Abstract")));
    EXPECT_EQ((std::vector<std::string>{"Not Before - " + at, "Not After - " + at, "Integer - 5"}),
              view.Texts(view.Find("Period of Policy Validity")));
}

}  // namespace
