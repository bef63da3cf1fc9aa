// Requests whose keys are on a SoftHSM2 token listed as a card provider: a
// wrong PIN shown as a failed key generation with the advice for cards, a
// cancelled one as an interrupted key generation; keys generated there
// (the public key of the request is the token's), each request with the
// card information its provider gives: "Zintra CSP" and "Tesk Dravik CSP
// v1.0" when the settings file makes them proof providers, "KavloCSP"
// always.
#include <gmock/gmock.h>

#include "data_page_fixture.h"
#include "testkit/softhsm.h"

namespace {

using namespace data_page;
using platform::ui::script::queue;
using testing::HasSubstr;
using testing::Not;

constexpr char16_t kZintra[] = u"Zintra CSP";
constexpr char16_t kDravik[] = u"Tesk Dravik CSP v1.0";
constexpr char16_t kKavlo[] = u"KavloCSP";
constexpr char kSmartCardInformation[] = "OBJECT            :1.3.6.1.4.1.6625.1.2.1";
constexpr char kKavloCardInformation[] = "OBJECT            :1.3.6.1.4.1.32473.4.1";

// The card's own data, which the card information carries: of the card
// (Dravik's card data, Zintra's vendor data) and of each key (Dravik's key
// information, Kavlo's card number, serial and data).
const std::vector<unsigned char> kCardData(100, 'Z');
const std::vector<unsigned char> kKavloKeyData(58, 'K');

class TokenRequest : public DataPageTest {
protected:
    // The library asks for the PIN itself and takes its answers from a
    // script file, read once by the process's copy of the library.
    void pinAnswers(const std::string& lines) {
        platform::ui::backend();  // this process keeps its queue
        setenv("PLATFORM_UI", ("script:" + root.write("library_answers.txt", lines).string()).c_str(), 1);
    }

    // The settings file listing the token's provider as a card provider,
    // a proof provider or not.
    static std::string settings(const std::u16string& provider, bool proof) {
        return "<halvex><csplist><csp name=\"" + platform::text::toUtf8(provider) + "\" card=\"TRUE\" sscd=\"TRUE\"" +
               (proof ? " proof=\"TRUE\"" : "") + "/></csplist></halvex>";
    }

    // Request `index` of the kind on the token, in the container.
    void prepareOnToken(std::size_t index, DWORD kind, const std::u16string& provider, const std::string& container) {
        prepare(index, kind, u"Jana Nováková", provider, PROV_RSA_FULL);
        frame->Request(index).firstContainer = frame->Request(index).secondContainer =
            platform::text::fromUtf8(container);
    }

    // The card data the providers read, on the token, for the keys of the
    // containers (key spec 2 for the qualified request, 1 for the others).
    static void writeCardData(const testkit::SoftHsmToken& token,
                              const std::vector<std::pair<std::string, int>>& keys) {
        for (const char* object : {"Tesk provider parameter 0x10000", "Tesk provider parameter 0x10000000"})
            token.writeDataObject(object, "", kCardData);
        for (const auto& [container, spec] : keys) {
            const std::string of = " of key spec " + std::to_string(spec);
            token.writeDataObject("Tesk key parameter 0x12" + of, container, kCardData);
            token.writeDataObject("Tesk key parameter 0x10000000" + of, container, kKavloKeyData);
        }
    }
};

TEST_F(TokenRequest, AWrongOrCancelledPinStopsAtTheDataPage) {
    TESTKIT_REQUIRE_SOFTHSM();
    pinAnswers("Pin 0000\nPin IDCANCEL\n");
    testkit::SoftHsmToken token(root, {.provider = kZintra});
    for (const auto& [container, message] :
         {std::pair{"Jana key of a wrong PIN",
                    "Chyba při generování soukromého klíče.\n\nZkontrolujete čtečku, čipovou kartu a správně zadaný "
                    "PIN.\n\nPokud generujete klíč na čipovou kartu, ujistěte se, že"},
          std::pair{"Jana cancelled key", "Generování klíče bylo přerušeno."}}) {
        SCOPED_TRACE(container);
        start(settings(kZintra, false));
        prepareOnToken(0, 0x80001, kZintra, container);
        queue("MessageBox", "IDOK", message);
        open();
        check();
        EXPECT_EQ("data_renew.htm", page());
        EXPECT_EQ(0u, platform::ui::script::pending()) << testing::PrintToString(boxes());
        EXPECT_THAT(log(), Not(HasSubstr("KeyGenerate(): done")));
        frame.reset();
        platform::ui::script::clear();
    }
}

TEST_F(TokenRequest, TheTokensKeysSignTheRequestsWithTheCardInformationOfTheirProvider) {
    TESTKIT_REQUIRE_SOFTHSM();
    std::string pins;
    for (int n = 0; n < 10; ++n) pins += "Pin 1234\n";  // more than the keys ask for
    pinAnswers(pins);
    struct Round {
        const char16_t* provider;
        bool proof;
        bool pair;                // a lawyer card's qualified and commercial request
        const char* information;  // the attribute the requests carry, none when null
    };
    for (const Round& round : {Round{kZintra, true, true, kSmartCardInformation},
                               Round{kDravik, true, false, kSmartCardInformation},
                               Round{kDravik, false, false, nullptr},
                               Round{kKavlo, false, false, kKavloCardInformation}}) {
        const std::string provider = platform::text::toUtf8(round.provider);
        SCOPED_TRACE(provider + (round.proof ? ", proof" : ""));
        const std::string prefix = provider.substr(0, 4) + (round.proof ? " proof " : " ");
        const std::string qualifiedKey = prefix + "qualified key";
        const std::string commercialKey = prefix + "commercial key";
        testkit::SoftHsmToken token(root, {.provider = round.provider});
        writeCardData(token, {{qualifiedKey, 2}, {commercialKey, 1}});
        start(settings(round.provider, round.proof));
        prepareOnToken(0, round.pair ? 0x80801 : 0x80001, round.provider, qualifiedKey);
        if (round.pair) prepareOnToken(1, 0x80802, round.provider, commercialKey);
        ASSERT_TRUE(frame->PrepareCSP()) << log();
        open();
        check();
        ASSERT_EQ("summary_renew.htm", page()) << log();

        const std::size_t requests = round.pair ? 2 : 1;
        for (std::size_t n = 0; n < requests; ++n) {
            SCOPED_TRACE(n);
            const std::u16string pem = frame->Request(n).requestText;
            const std::string text = verifiedText(pem);
            EXPECT_THAT(text, HasSubstr("self-signature verify OK"));
            EXPECT_THAT(text, HasSubstr("serialNumber=PNOSK-8451011239,CN=Jana Nováková"));
            const std::string parsed = asn1(pem);
            for (const char* information : {kSmartCardInformation, kKavloCardInformation})
                EXPECT_EQ(information == round.information, parsed.find(information) != std::string::npos)
                    << information;
            if (round.information == kSmartCardInformation) {
                EXPECT_THAT(parsed, HasSubstr(std::string(kCardData.begin(), kCardData.end()))) << "the card's data";
            }
            if (round.information == kKavloCardInformation) {
                EXPECT_THAT(parsed, HasSubstr(std::string(40, 'K'))) << "the key's data on the card";
            }
        }
        EXPECT_EQ(!round.proof,
                  log().find("CreatePKCS10(): add. proof not allowed for: '" + provider + "'") != std::string::npos);

        // The qualified request is read in full; its key is the token's.
        const std::u16string pem = frame->Request(0).requestText;
        preparedRequestText(pem);
        const auto exported = token.pkcs11Tool({"--read-object", "--type", "pubkey", "--label", qualifiedKey,
                                                "--output-file", (root.path() / "token.der").string()});
        ASSERT_EQ(0, exported.exitCode) << exported.err;
        const auto tokenKey =
            testkit::run({"openssl", "pkey", "-pubin", "-inform", "DER", "-in", "token.der"}, root.path());
        EXPECT_EQ(openssl(pem, {"-noout", "-pubkey"}), tokenKey.out) << tokenKey.err;
        frame.reset();
        platform::ui::script::clear();
    }
}

}  // namespace
