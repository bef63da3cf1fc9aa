// A request built through the object end to end on a SoftHSM2 token listed
// as the "KavloCSP" card provider: the key made on the token after its PIN,
// the request signed there and verified by openssl, and the card's own
// refusals of the card-information parameters handed back as they are.
#include "../judged_request.h"
#include "pentak_client.h"
#include "testkit/softhsm.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kCardProvider[] = u"KavloCSP";
constexpr char16_t kContainer[] = u"pentak-card";

class PentakCardRequest : public ScriptedPentak {};

TEST_F(PentakCardRequest, TheTokensKeySignsTheRequestAndTheCardsRefusalsComeBackAsTheyAre) {
    TESTKIT_REQUIRE_SOFTHSM();
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::SoftHsmToken token(root, {.provider = kCardProvider});
    // One PIN for the generation; the open key signs without asking again.
    answers("Pin " + token.options().pin + "\n");
    const std::u16string reader(token.options().label.begin(), token.options().label.end());
    const auto pentak = create();
    ASSERT_TRUE(pentak);
    const auto session = scriptOf(pentak);
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kCardProvider)));
    ASSERT_EQ(S_OK, session.put(u"SmartCardReaderName", Value(reader.c_str())));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(kContainer)));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{1024 << 16})));
    ASSERT_EQ(S_OK, session.call(u"KeyGenerate"));

    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{13})));
    ASSERT_EQ(S_OK, session.call(u"AddSubjectAttribute", {Value(u"2.5.4.3").get(), Value(u"Karta Nováková").get()}));
    ASSERT_EQ(S_OK, session.call(u"AddAttribute_CSPInfo"));

    // This card answers none of the vendor parameters that the card
    // information is read from: each member fails at its own first read
    // with the provider's error, and adds nothing.
    for (const auto& [member, line] : {std::pair{u"AddAttribute_SmartCardInfo", "(line: 616)"},
                                       std::pair{u"AddAttribute_SmartCardInfoSC", "(line: 708)"},
                                       std::pair{u"AddAttribute_KavloCardInfo", "(line: 832)"}}) {
        ASSERT_EQ(S_OK, session.put(u"Error", Value(u"")));
        EXPECT_EQ(NTE_BAD_TYPE, session.call(member)) << testing::PrintToString(std::u16string(member));
        const std::u16string error = session.text(u"Error");
        EXPECT_NE(std::u16string::npos, error.find(std::u16string(line, line + std::char_traits<char>::length(line))))
            << testing::PrintToString(error);
    }

    Value request;
    ASSERT_EQ(S_OK, session.call(u"CreatePKCS10", {request.reference()}));
    const JudgedRequest judged = judgeRequestDer(root, decodedBase64(root, request.text()));
    EXPECT_TRUE(judged.verified);
    EXPECT_EQ(std::vector<std::string>{"CN=UTF8STRING:Karta Nováková"}, judged.subject);
    EXPECT_EQ((std::vector<std::string>{"rsaEncryption", "1.3.6.1.4.1.32473.4.2"}), judged.objectsAtDepth(4));

    // The key is the token's: its public key is the request's.
    const auto exported = token.pkcs11Tool(
        {"--read-object", "--type", "pubkey", "--label", "pentak-card", "--output-file", (root.path() / "token.der").string()});
    ASSERT_EQ(0, exported.exitCode) << exported.err;
    const auto tokenKey =
        testkit::run({"openssl", "pkey", "-pubin", "-inform", "DER", "-in", "token.der"}, root.path());
    const auto requestKey =
        testkit::run({"openssl", "req", "-inform", "DER", "-in", "request.der", "-noout", "-pubkey"}, root.path());
    EXPECT_EQ(requestKey.out, tokenKey.out) << tokenKey.err;

    // Under application profile 1 the Kavlo provider's request needs the
    // card's data first; without it no request is made.
    ASSERT_EQ(S_OK, session.put(u"ApplicationProfile", Value(LONG{1})));
    Value untouched(u"untouched");
    EXPECT_EQ(NTE_BAD_TYPE, session.call(u"CreatePKCS10", {untouched.reference()}));
    EXPECT_EQ(u"untouched", untouched.text());
}

}  // namespace
