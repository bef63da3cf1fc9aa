// The session's key container and providers through the object, as a
// script uses them: a key made, exported and deleted only after the user's
// Yes, imported again, and the provider's own errors handed back as they
// are.
#include <utility>

#include "pentak_client.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr HRESULT kNoMoreItems = HRESULT_OF(0x80070103u);   // ERROR_NO_MORE_ITEMS

class PentakKeys : public ScriptedPentak {
protected:
    // What `openssl rsa -check` says of a PKCS#1 private key in Base64.
    std::string checkedKey(const std::u16string& base64) {
        const std::vector<BYTE> der = decodedBase64(root, base64);
        root.write("key.der", std::string(der.begin(), der.end()));
        const auto checked =
            testkit::run({"openssl", "rsa", "-inform", "DER", "-in", "key.der", "-check", "-noout"}, root.path());
        EXPECT_EQ(0, checked.exitCode) << checked.err;
        return checked.out;
    }
};

std::u16string containerOf(const Script& session) {
    Value name;
    EXPECT_EQ(S_OK, session.call(u"GetContainerName", {name.reference()}));
    return name.text();
}

TEST_F(PentakKeys, AKeyIsMadeLeavesAndGoesOnlyAfterTheUsersYes) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    answers("MessageBox IDNO pentak-com\n"
            "MessageBox IDYES pentak-com\n"
            "MessageBox IDYES pentak-copy\n"
            "MessageBox IDNO pentak-com\n"
            "MessageBox IDYES pentak-com\n");
    const auto session = newSession();
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kSoftwareProvider)));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(u"pentak-com")));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{(1024 << 16) | 1})));

    ASSERT_EQ(S_OK, session.call(u"KeyGenerate"));
    EXPECT_EQ(u"pentak-com", containerOf(session));
    EXPECT_EQ(NTE_EXISTS, session.call(u"KeyGenerate")) << "the provider's own HRESULT";
    ASSERT_EQ(S_OK, session.call(u"KeySelect")) << "a failed generation leaves no key open";

    Value key(u"before");
    EXPECT_EQ(kCancelled, session.call(u"KeyExport", {key.reference()}));
    EXPECT_EQ(u"before", key.text());
    ASSERT_EQ(S_OK, session.call(u"KeyExport", {key.reference()}));
    const std::u16string exported = key.text();
    EXPECT_EQ("RSA key ok\n", checkedKey(exported));

    // Imported into a container of its own, the key comes out the same.
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(u"pentak-copy")));
    ASSERT_EQ(S_OK, session.call(u"KeyImport", {Value(exported.c_str()).get()}));
    EXPECT_EQ(u"pentak-copy", containerOf(session));
    ASSERT_EQ(S_OK, session.call(u"KeyExport", {key.reference()}));
    EXPECT_EQ(exported, key.text());

    Value original(u"pentak-com");
    EXPECT_EQ(kInvalidParameter, session.call(u"KeyContainerDelete", {Value(u"").get()}));
    EXPECT_EQ(kCancelled, session.call(u"KeyContainerDelete", {original.get()}));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", original));
    EXPECT_EQ(S_OK, session.call(u"KeySelect")) << "kept after No";
    EXPECT_EQ(S_OK, session.call(u"KeyContainerDelete", {original.get()}));
    EXPECT_EQ(NTE_BAD_KEYSET, session.call(u"KeySelect"));
}

TEST_F(PentakKeys, ProvidersAreChosenByPlaceAndTheirFailuresComeBackAsTheirCodes) {
    const auto pentak = create();
    ASSERT_TRUE(pentak);
    const auto session = scriptOf(pentak);
    // The renewal program reads the version through the table of functions,
    // where a failure still hands out a text.
    const auto version = [&] {
        BSTR text = nullptr;
        const HRESULT hr = pentak->get_ProviderVersion(&text);
        const std::u16string copy = text ? std::u16string(text, SysStringLen(text)) : u"(null)";
        SysFreeString(text);
        return std::pair{hr, copy};
    };
    EXPECT_EQ(std::pair(kNoProvider, std::u16string(u"N/A")), version());
    EXPECT_EQ(kNoProvider, session.call(u"IsKeylenSupported", {Value(LONG{2048}).get()}));

    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{24})));
    EXPECT_EQ(S_OK, session.call(u"EnumProviders", {Value(LONG{0}).get()}));
    EXPECT_EQ(kAesProvider, session.text(u"ProviderName"));
    EXPECT_EQ(std::pair(S_OK, std::u16string(u"200")), version());
    EXPECT_EQ(S_OK, session.call(u"IsKeylenSupported", {Value(LONG{2048}).get()}));
    EXPECT_EQ(kNotSupported, session.call(u"IsKeylenSupported", {Value(LONG{256}).get()}));
    Value provider;
    EXPECT_EQ(S_OK, session.call(u"GetDefaultOSCSP", {provider.reference()}));
    EXPECT_EQ(kAesProvider, provider.text());
    EXPECT_EQ(S_OK, session.call(u"EnumProviders", {Value(LONG{1000}).get()}));
    EXPECT_EQ(u"", session.text(u"ProviderName")) << "past the last provider";

    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(u"Pentak Missing CSP")));
    EXPECT_EQ(std::pair(NTE_KEYSET_NOT_DEF, std::u16string(u"N/A")), version());

    // Nothing open, nothing listed: the out arguments stay as they were.
    Value untouched(u"untouched");
    EXPECT_EQ(kInvalidParameter, session.call(u"GetContainerName", {untouched.reference()}));
    EXPECT_EQ(kNoMoreItems,
              session.call(u"EnumContainers", {Value(LONG{0}).get(), Value(LONG{1}).get(), untouched.reference()}));
    EXPECT_EQ(u"untouched", untouched.text());
}

}  // namespace
