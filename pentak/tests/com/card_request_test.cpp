// A request built through the object end to end on a SoftHSM2 token listed
// as the "KavloCSP" card provider: the key made on the token after its PIN,
// the request signed there and verified by openssl, and the card
// information read from the card's own data (a card without it refuses
// with its own error, handed back as it is).
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "../judged_request.h"
#include "pentak_client.h"
#include "testkit/softhsm.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kCardProvider[] = u"KavloCSP";
constexpr char16_t kCardContainer[] = u"pentak-card";

std::vector<BYTE> counting(std::size_t size, BYTE first) {
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(first + i);
    return bytes;
}

// asn1parse's text of a primitive: "INTEGER :01", "OCTET STRING [HEX DUMP]:0A0B".
std::string primitive(const std::string& type, const std::vector<BYTE>& content) {
    std::string hex;
    for (const BYTE b : content) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        hex += digits;
    }
    return type == "INTEGER" ? "INTEGER :" + hex : type + " [HEX DUMP]:" + hex;
}

// The primitives openssl asn1parse shows, in order, spaces collapsed.
std::vector<std::string> primitivesOf(const std::string& asn1) {
    std::vector<std::string> found;
    std::istringstream lines(asn1);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("prim:");
        if (at == std::string::npos) continue;
        std::istringstream words(line.substr(at + 5));
        std::string collapsed;
        for (std::string word; words >> word;) collapsed += (collapsed.empty() ? "" : " ") + word;
        found.push_back(collapsed);
    }
    return found;
}

bool hasRun(const std::vector<std::string>& all, const std::vector<std::string>& run) {
    return std::search(all.begin(), all.end(), run.begin(), run.end()) != all.end();
}

class PentakCardRequest : public ScriptedPentak {};

TEST_F(PentakCardRequest, TheTokensKeySignsARequestCarryingTheCardsOwnData) {
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
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(kCardContainer)));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{1024 << 16})));
    ASSERT_EQ(S_OK, session.call(u"KeyGenerate"));

    // A card without the data refuses the read with its own error, which the
    // member hands back after noting its line.
    EXPECT_EQ(NTE_BAD_TYPE, session.call(u"AddAttribute_KavloCardInfo"));
    EXPECT_NE(std::u16string::npos, session.text(u"Error").find(u"(line: 832)"));

    // The card's data, written as the card's maker would; the object reads
    // it in its own copy of the layer.
    const std::vector<BYTE> cardData = counting(100, 0x80);
    const std::vector<BYTE> keyInfo = counting(30, 0x90);
    const std::vector<BYTE> vendorData = counting(20, 0xC0);
    // Card number 0x1234, then serial and data that openssl shows in hexadecimal.
    std::vector<BYTE> kavloData = counting(58, 0xA0);
    kavloData[0] = 0x12;
    kavloData[1] = 0x34;
    token.writeDataObject("Tesk provider parameter 0x10000", "", cardData);
    token.writeDataObject("Tesk provider parameter 0x10000000", "", vendorData);
    token.writeDataObject("Tesk key parameter 0x12 of key spec 2", "pentak-card", keyInfo);
    token.writeDataObject("Tesk key parameter 0x10000000 of key spec 2", "pentak-card", kavloData);

    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{13})));
    ASSERT_EQ(S_OK, session.call(u"AddSubjectAttribute", {Value(u"2.5.4.3").get(), Value(u"Karta Nováková").get()}));
    ASSERT_EQ(S_OK, session.call(u"AddAttribute_CSPInfo"));
    for (const char16_t* member :
         {u"AddAttribute_SmartCardInfo", u"AddAttribute_SmartCardInfoSC", u"AddAttribute_KavloCardInfo"})
        EXPECT_EQ(S_OK, session.call(member)) << testing::PrintToString(std::u16string(member))
                                              << testing::PrintToString(session.text(u"Error"));

    Value request;
    ASSERT_EQ(S_OK, session.call(u"CreatePKCS10", {request.reference()}));
    const JudgedRequest judged = judgeRequestDer(root, decodedBase64(root, request.text()));
    EXPECT_TRUE(judged.verified);
    EXPECT_EQ(std::vector<std::string>{"CN=UTF8STRING:Karta Nováková"}, judged.subject);
    EXPECT_EQ((std::vector<std::string>{"rsaEncryption", "1.3.6.1.4.1.32473.4.2", "1.3.6.1.4.1.32473.4.1",
                                        "1.3.6.1.4.1.6625.1.2.1", "1.3.6.1.4.1.6625.1.2.1"}),
              judged.objectsAtDepth(4));
    // Each attribute's value as openssl reads it: the version, then the
    // card's bytes exactly.
    const auto primitives = primitivesOf(judged.asn1);
    const std::vector<std::vector<std::string>> values = {
        {primitive("INTEGER", {0}), primitive("OCTET STRING", cardData), primitive("OCTET STRING", keyInfo)},
        {primitive("INTEGER", {1}), primitive("OCTET STRING", std::vector<BYTE>(228)),
         primitive("OCTET STRING", vendorData)},
        {primitive("INTEGER", {1}), primitive("INTEGER", {kavloData.begin(), kavloData.begin() + 2}),
         primitive("OCTET STRING", {kavloData.begin() + 2, kavloData.begin() + 18}),
         primitive("OCTET STRING", {kavloData.begin() + 18, kavloData.end()})}};
    for (const auto& value : values) EXPECT_TRUE(hasRun(primitives, value)) << judged.asn1;

    // The key is the token's: its public key is the request's.
    const auto exported = token.pkcs11Tool(
        {"--read-object", "--type", "pubkey", "--label", "pentak-card", "--output-file", (root.path() / "token.der").string()});
    ASSERT_EQ(0, exported.exitCode) << exported.err;
    const auto tokenKey =
        testkit::run({"openssl", "pkey", "-pubin", "-inform", "DER", "-in", "token.der"}, root.path());
    const auto requestKey =
        testkit::run({"openssl", "req", "-inform", "DER", "-in", "request.der", "-noout", "-pubkey"}, root.path());
    EXPECT_EQ(requestKey.out, tokenKey.out) << tokenKey.err;
}

}  // namespace
