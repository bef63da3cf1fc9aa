// The request's key on a SoftHSM2 token listed as the card provider "Zintra
// CSP": a wrong PIN shown as a failed key generation with the advice for
// cards, a cancelled one as an interrupted key generation; the key
// generated there (the public key of the request is the token's), with the
// card-information attribute in the request when the settings file makes
// the provider a proof provider.
#include <gmock/gmock.h>

#include "data_page_fixture.h"
#include "testkit/softhsm.h"

namespace {

using namespace data_page;
using platform::ui::script::queue;
using testing::HasSubstr;

constexpr char16_t kCardProvider[] = u"Zintra CSP";
constexpr char kContainer[] = "Jana token key";
constexpr char kCardInformation[] = "OBJECT            :1.3.6.1.4.1.6625.1.2.1";

// The library asks for the PIN itself and takes its answers from a script
// file, read once by the process's copy of the library: one test plays
// the three PIN answers, a wrong one, a cancelled one, the right one.
class TokenRequest : public DataPageTest {
protected:
    void SetUp() override {
        DataPageTest::SetUp();
        platform::ui::backend();  // this process keeps its queue
        setenv("PLATFORM_UI", ("script:" + root.write("library_answers.txt", "Pin 0000\nPin IDCANCEL\nPin 1234\n").string()).c_str(),
               1);
    }

    void prepareOnToken(const std::string& container) {
        prepare(0, 0x80001, u"Jana Nováková", kCardProvider, PROV_RSA_FULL);
        frame->Request(0).firstContainer = platform::text::fromUtf8(container);
    }
};

TEST_F(TokenRequest, AWrongOrCancelledPinStopsAndTheTokensKeySignsTheRequestWithTheCardInformation) {
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::SoftHsmToken token(root, {.provider = kCardProvider});
    // The card's own data, which the card information carries.
    const std::vector<unsigned char> data(100, 0x5A);
    for (const char* object : {"Tesk provider parameter 0x10000", "Tesk provider parameter 0x10000000"})
        token.writeDataObject(object, "", data);
    for (const char* object : {"Tesk key parameter 0x12 of key spec 2", "Tesk key parameter 0x10000000 of key spec 2"})
        token.writeDataObject(object, kContainer, data);
    // A wrong PIN fails the key generation with the advice for cards; a
    // cancelled one interrupts it. The page stays.
    for (const auto& [container, message] :
         {std::pair{"Jana key of a wrong PIN",
                    "Chyba při generování soukromého klíče.\n\nZkontrolujete čtečku, čipovou kartu a správně zadaný "
                    "PIN.\n\nPokud generujete klíč na čipovou kartu, ujistěte se, že"},
          std::pair{"Jana cancelled key", "Generování klíče bylo přerušeno."}}) {
        SCOPED_TRACE(container);
        start("<halvex><csplist><csp name=\"Zintra CSP\" card=\"TRUE\" sscd=\"TRUE\"/></csplist></halvex>");
        prepareOnToken(container);
        queue("MessageBox", "IDOK", message);
        open();
        check();
        EXPECT_EQ("data_renew.htm", page());
        EXPECT_EQ(0u, platform::ui::script::pending()) << testing::PrintToString(boxes());
        EXPECT_THAT(log(), testing::Not(HasSubstr("KeyGenerate(): done")));
        frame.reset();
        platform::ui::script::clear();
    }

    start("<halvex><csplist><csp name=\"Zintra CSP\" card=\"TRUE\" sscd=\"TRUE\" proof=\"TRUE\"/></csplist></halvex>");
    prepareOnToken(kContainer);
    ASSERT_TRUE(frame->PrepareCSP());
    open();
    check();
    ASSERT_EQ("summary_renew.htm", page()) << log();

    const std::u16string pem = frame->Request(0).requestText;
    EXPECT_TRUE(pem.ends_with(u"-----END CERTIFICATE REQUEST-----\n"));
    const std::string text = verifiedText(pem);
    EXPECT_THAT(text, HasSubstr("self-signature verify OK"));
    EXPECT_THAT(text, HasSubstr("serialNumber=PNOSK-8451011239,CN=Jana Nováková"));
    EXPECT_THAT(text, HasSubstr("sha256WithRSAEncryption"));
    const std::string parsed = asn1(pem);
    EXPECT_THAT(parsed, HasSubstr(kCardInformation));
    EXPECT_THAT(parsed, HasSubstr(std::string(data.size(), 0x5A))) << "the card's own data";

    const auto exported = token.pkcs11Tool({"--read-object", "--type", "pubkey", "--label", kContainer,
                                            "--output-file", (root.path() / "token.der").string()});
    ASSERT_EQ(0, exported.exitCode) << exported.err;
    const auto tokenKey = testkit::run({"openssl", "pkey", "-pubin", "-inform", "DER", "-in", "token.der"}, root.path());
    EXPECT_EQ(openssl(pem, {"-noout", "-pubkey"}), tokenKey.out) << tokenKey.err;
}

}  // namespace
