// From the data page to the summary: requests made through the enrolment
// library on the software provider and read back by openssl (subject and
// its string types, key usages, extended key usages, alternative names,
// SHA-256 with RSA), pairs with the authentication request, every message
// the page's check can end with, and keys of requests that were not made.
#include <gmock/gmock.h>

#include <functional>

#include "data_page_fixture.h"
#include "frame_layout.h"
#include "testkit/csp.h"
#include "testkit/wizard_certificates.h"
#include "win32/crypt_provider.h"

namespace {

using namespace data_page;
using platform::ui::script::queue;
using testing::ElementsAre;
using testing::HasSubstr;

// The request's PEM as the summary keeps it: armoured, ending with a line feed.
std::u16string MadeRequest(halvex::MainFrame& frame, std::size_t index) {
    const std::u16string& pem = frame.Request(index).requestText;
    EXPECT_TRUE(pem.starts_with(u"-----BEGIN CERTIFICATE REQUEST-----\n")) << index;
    EXPECT_TRUE(pem.ends_with(u"\n-----END CERTIFICATE REQUEST-----\n")) << index;
    return pem;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Whether the software provider still holds the container.
bool ContainerExists(const std::u16string& container) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, container.c_str(), kSoftwareProvider, kSoftwareProviderType, 0)) return false;
    CryptReleaseContext(provider, 0);
    return true;
}

TEST_F(DataPageTest, TheRequestOnTheSoftwareProviderCarriesTheSubjectUsagesAndNames) {
    start();
    prepare(0, 0x80001, u"Jana Nováková");
    ASSERT_TRUE(frame->PrepareCSP());
    EXPECT_EQ("Žádost o vydání následného certifikátu: Žádost o vydání následného kvalifikovaného certifikátu - "
              "standard",
              frame->View().Html().statusText(halvex::kRequestPane));
    open();
    // Checks that stop (at a surname not in the common name, at a request
    // the library cannot make) add no names: they are in the request once
    // however often the page is checked.
    type("RA_NAME", "Jana");
    type("RA_SURNAME", "Horváthová");
    queue("MessageBox", "IDOK", "příjmení");
    check();
    ASSERT_EQ("data_renew.htm", page());
    type("RA_SURNAME", "Nováková");
    std::vector<halvex::RequestAttr>& altNames = frame->Request(0).certificate.altNames;
    altNames.push_back({u"1", halvex::kUtf8StringType, u"no other name"});
    queue("MessageBox", "IDOK", "Chyba při generování žádosti.");
    check();
    ASSERT_EQ("data_renew.htm", page());
    altNames.pop_back();
    check();
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(platform::ui::script::transcript());

    const std::u16string pem = MadeRequest(*frame, 0);
    const std::string text = preparedRequestText(pem);
    EXPECT_THAT(text, HasSubstr("Subject: SN=Nováková,GN=Jana,emailAddress=jana.novakova@tesk.example,C=SK,"
                                "O=Tesk Žilina a.s.,serialNumber=PNOSK-8451011239,CN=Jana Nováková"));
    EXPECT_THAT(subjectTypes(asn1(pem)),
                ElementsAre("commonName UTF8STRING", "serialNumber PRINTABLESTRING", "organizationName UTF8STRING",
                            "countryName PRINTABLESTRING", "emailAddress IA5STRING", "givenName UTF8STRING",
                            "surname UTF8STRING"));

    // The summary shows the request; the pair's and the authentication
    // rows stay hidden.
    platform::ui::HtmlView& view = frame->View().Html();
    EXPECT_THAT(view.innerHtml("RA_REQUEST_QC").value_or(""), HasSubstr("-----BEGIN CERTIFICATE REQUEST-----"));
    EXPECT_THAT(view.className("RA_REQUEST_SC_ROW").value_or(""), HasSubstr("hidden_item"));
    EXPECT_THAT(view.className("RA_REQUEST_ASC_ROW").value_or(""), HasSubstr("hidden_item"));
    EXPECT_THAT(view.innerHtml("RA_REQ_AGREEMENT_SSCD").value_or(""), HasSubstr("bezpečném zařízení"));
}

TEST_F(DataPageTest, PairsWithTheAuthenticationRequestGiveThreeRequestsEachOnItsOwnKey) {
    for (const DWORD pairBit : {0x80u, 0x800u}) {
        SCOPED_TRACE(pairBit);
        start();
        prepare(0, 0x80001 | pairBit, u"Jana Nováková");
        prepare(1, 0x80002 | pairBit, u"Jana Nováková");
        prepare(2, 0x802, u"AUT Jana Nováková");
        // Both rounds may start in the same second: containers of their own.
        for (std::size_t n = 0; n < 3; ++n) {
            frame->Request(n).firstContainer += pairBit == 0x80 ? u"P" : u"L";
            frame->Request(n).secondContainer += pairBit == 0x80 ? u"P" : u"L";
        }
        frame->SetAuthenticationToo(true);
        // The lawyer card's commercial certificate names the given name
        // already; the typed one takes its place.
        if (pairBit == 0x800)
            frame->Request(1).certificate.subject.push_back({u"2.5.4.42", halvex::kUtf8StringType, u"Jana"});
        ASSERT_TRUE(frame->PrepareCSP());
        open();
        // The names typed on the page go into both requests of the pair,
        // once each, and not into the authentication request.
        type("RA_NAME", "Jana");
        type("RA_SURNAME", "Nováková");
        check();
        ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(platform::ui::script::transcript());

        std::vector<std::string> keys;
        for (std::size_t n = 0; n < 3; ++n) {
            const std::string text = verifiedText(MadeRequest(*frame, n));
            EXPECT_THAT(text, HasSubstr("self-signature verify OK")) << n;
            EXPECT_THAT(text, HasSubstr("serialNumber=PNOSK-8451011239")) << n;
            EXPECT_THAT(text, HasSubstr("sha256WithRSAEncryption")) << n;
            EXPECT_EQ(n < 2 ? 1u : 0u, Count(text, "GN=Jana")) << n;
            EXPECT_EQ(n < 2 ? 1u : 0u, Count(text, "SN=Nováková")) << n;
            keys.push_back(text.substr(text.find("Modulus:"), 200));
        }
        EXPECT_THAT(verifiedText(MadeRequest(*frame, 2)), HasSubstr("CN=AUT Jana Nováková"));
        // The qualified key signs; the others take every usage.
        EXPECT_THAT(verifiedText(MadeRequest(*frame, 0)), HasSubstr("Digital Signature, Non Repudiation\n"));
        EXPECT_NE(keys[0], keys[1]);
        EXPECT_NE(keys[1], keys[2]) << "the further requests' keys share no container";

        platform::ui::HtmlView& view = frame->View().Html();
        EXPECT_THAT(view.className("RA_REQUEST_SC_ROW").value_or(""), testing::Not(HasSubstr("hidden_item")));
        EXPECT_THAT(view.className("RA_REQUEST_ASC_ROW").value_or(""), testing::Not(HasSubstr("hidden_item")));
        EXPECT_THAT(view.innerHtml("RA_REQUEST_ASC").value_or(""), HasSubstr("BEGIN CERTIFICATE REQUEST"));
        frame.reset();
        platform::ui::script::clear();
    }
}

TEST_F(DataPageTest, ARenewalOnTheCertificatesOwnKeyRequestsThatKey) {
    const testkit::pki::Hierarchy hierarchy = testkit::pki::Hierarchy::make();
    const auto set = testkit::WizardCertificates::install(root, hierarchy);
    start();
    prepare(0, 0x80001, platform::text::fromUtf8(set.qualified.commonName));
    halvex::TCertRequest& request = frame->Request(0);
    request.firstKeyOption = false;  // the key the certificate has
    request.firstContainer = platform::text::fromUtf8(set.qualified.commonName);
    request.keyUsage[2] = true;  // its key is an exchange key
    open();
    check();
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(platform::ui::script::transcript());

    const std::u16string pem = MadeRequest(*frame, 0);
    EXPECT_THAT(verifiedText(pem), HasSubstr("self-signature verify OK"));
    root.write("renewed.der", std::string(set.qualified.der.begin(), set.qualified.der.end()));
    const auto certificateKey =
        testkit::run({"openssl", "x509", "-inform", "DER", "-in", "renewed.der", "-noout", "-pubkey"}, root.path());
    EXPECT_EQ(openssl(pem, {"-noout", "-pubkey"}), certificateKey.out) << certificateKey.err;
    EXPECT_THAT(log(), testing::Not(HasSubstr("KeyGenerate")));
}

// What a check meets: the requests as the certificate step left them, the
// fields typed on the page, the answers given, and the message it ends with.
struct Fault {
    const char* name;
    std::function<void(halvex::MainFrame& frame)> prepare;
    std::vector<std::pair<std::string, std::string>> typed;  // id and value of each field
    std::vector<std::pair<const char*, const char*>> answers;  // reply and text of each box
    const char* message;                                       // the last box's text
    const char* pageAfter = "data_renew.htm";
    bool prepareProviders = false;  // the step before the page, which stays on failure: the providers offered
};

// The applicant adds an identifier of the type to a certificate that
// carries none, the option chosen on the page as the request holds it.
void AddIdentifier(halvex::TCertRequest& request, const std::u16string& prefix, const std::u16string& value,
                   const std::u16string& qualifier = u"") {
    request.hasIdentifier = false;
    std::erase_if(request.certificate.subject, [](const halvex::RequestAttr& attr) { return attr.oid == u"2.5.4.5"; });
    request.addIdentifier = true;
    request.identifierPrefix = prefix;
    request.identifierValue = value;
    request.country = u"CZ";
    request.identifierQualifier = qualifier;
}

TEST_F(DataPageTest, EachFaultKeepsTheDataPageWithItsMessage) {
    std::unique_ptr<testkit::TestCsp> existing;
    const auto unchanged = [](auto&) {};
    const std::vector<Fault> faults = {
        {"given name not in the common name",
         unchanged,
         {{"RA_NAME", "Petra"}, {"RA_SURNAME", "Nováková"}},
         {{"IDOK", ""}},
         "CN obnovovaného certifikátu musí obsahovat zadané jméno"},
        {"surname not in the common name",
         unchanged,
         {{"RA_NAME", "Jana"}, {"RA_SURNAME", "Horváthová"}},
         {{"IDOK", ""}},
         "CN obnovovaného certifikátu musí obsahovat zadané příjmení"},
        {"a lawyer card's commercial certificate without key usages, not confirmed",
         [](auto& frame) {
             frame.Request(0).kind = 0x80801;
             frame.Request(1).kind = 0x80802;
             for (bool& usage : frame.Request(1).keyUsage) usage = false;
         },
         {},
         {{"IDNO", ""}},
         "Není definováno použití klíče (KeyUsage).\nPřejete si přesto pokračovat?"},
        {"neither birth number nor date, not accepted",
         [](auto& frame) { frame.Request(0).identifierValue = u"32.13.1984"; },
         {},
         {{"IDNO", ""}},
         "Chybně zadána položka 'Rodné číslo' - je očekáváno rodné číslo nebo datum narození.\nPřejete si přesto "
         "pokračovat?"},
        {"neither birth number nor date, accepted",
         [](auto& frame) { frame.Request(0).identifierValue = u"32.13.1984"; },
         {},
         {{"IDYES", ""}},
         "je očekáváno rodné číslo nebo datum narození",
         "summary_renew.htm"},
        {"added birth number empty, cancelled",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"PNO", u""); },
         {},
         {{"IDCANCEL", ""}},
         "Položka 'Rodné číslo' není vyplněna.\nPřejete si přesto pokračovat?"},
        {"added identifier a date, not a birth number",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"PNO", u"01.01.1984"); },
         {},
         {{"IDNO", ""}},
         "Chybně zadána položka 'Rodné číslo'.\nPřejete si přesto pokračovat?"},
        {"refinement too long",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"PNO", u"8451011239", u"ABCDE"); },
         {},
         {{"IDOK", ""}},
         "Chybně zadána položka 'Upřesnění v rámci státu' - maximální povolená délka dat je: 4"},
        {"refinement not printable",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"PNO", u"8451011239", u"A=B"); },
         {},
         {{"IDOK", ""}},
         "Chybně zadána položka 'Upřesnění v rámci státu' - zadány nepovolené znaky"},
        {"an identity card's number missing",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"IDC", u""); },
         {},
         {{"IDOK", ""}},
         "Položka 'Číslo občanského průkazu' není vyplněna."},
        {"a passport's number no serial number can carry",
         [](auto& frame) { AddIdentifier(frame.Request(0), u"PAS", u"AB_12345"); },
         {},
         {{"IDOK", ""}},
         "Chybně zadána položka 'Číslo PASu' - zadány nepovolené znaky"},
        {"provider without the algorithm",
         [](auto& frame) {
             frame.Request(0).provider = {u"Microsoft Base Cryptographic Provider v1.0", 1, {}};
         },
         {},
         {{"IDOK", ""}},
         "Chyba při nastavování algoritmu sha256RSA. Algoritmus není podporován Microsoft Base Cryptographic Provider "
         "v1.0."},
        {"the pair's provider not installed, named",
         [](auto& frame) {
             frame.Request(0).kind = frame.Request(1).kind = 0x80081;
             frame.Request(1).provider = {u"Tesk Missing CSP", 1, {}};
         },
         {},
         {{"IDOK", ""}},
         "Zvolený poskytovatel šifrovacích služeb (CSP) Tesk Missing CSP nebyl nalezen.",
         "home.htm",
         true},
        {"container exists",
         [&](auto& frame) {
             existing = std::make_unique<testkit::TestCsp>(testkit::CspKind::Software, root, u"Existing key");
             frame.Request(0).firstContainer = u"Existing key";
         },
         {},
         {{"IDOK", ""}},
         "Název zvoleného klíčového kontejneru již existuje."},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        start();
        prepare(0, 0x80001, u"Jana Nováková");
        prepare(1, 0x80002, u"Jana Nováková");
        // Cases may start in the same second: containers of their own.
        const std::u16string own = u"-" + platform::text::fromUtf8(fault.name);
        for (std::size_t n = 0; n < 2; ++n) {
            frame->Request(n).firstContainer += own;
            frame->Request(n).secondContainer += own;
        }
        fault.prepare(*frame);
        for (const auto& [reply, text] : fault.answers) queue("MessageBox", reply, text);
        if (!fault.prepareProviders || frame->PrepareCSP()) {
            open();
            for (const auto& [id, value] : fault.typed) type(id, value);
            check();
        }
        EXPECT_EQ(fault.pageAfter, page());
        const std::vector<std::string> shown = boxes();
        ASSERT_EQ(fault.answers.size(), shown.size()) << testing::PrintToString(shown);
        EXPECT_THAT(shown.back(), HasSubstr(fault.message));
        EXPECT_EQ(0u, platform::ui::script::pending());
        frame.reset();
        existing.reset();
        platform::ui::script::clear();
    }
}

// The public-administration option: the identity card's number goes into
// the new certificate's name and the summary asks the applicant's consent;
// given up on a later visit of the page, the number leaves the name again.
TEST_F(DataPageTest, AnIdentifierAddedForThePublicAdministrationStaysUntilGivenUp) {
    start();
    prepare(0, 0x80001, u"Jana Nováková");
    AddIdentifier(frame->Request(0), u"IDC", u"EA123456");
    frame->Request(0).country = u"SK";
    open();
    EXPECT_THAT(frame->View().Html().className("RA_CERT_GOV_USAGE_INPUT").value_or("hidden_item"),
                testing::Not(HasSubstr("hidden_item")));
    EXPECT_EQ(true, frame->View().Html().checked("RA_GOVSK_CERT"));
    check();
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(boxes());
    EXPECT_THAT(preparedRequestText(MadeRequest(*frame, 0)), HasSubstr("serialNumber=IDCSK-EA123456"));
    EXPECT_THAT(frame->View().Html().innerHtml("RA_REQ_AGREEMENT_PAPERS").value_or(""),
                HasSubstr("Žadatel souhlasí se zpracováním"));

    open();
    ASSERT_TRUE(frame->View().Html().setChecked("RA_GOVSK_CERT", false));
    frame->Request(0).firstContainer += u"-given-up";
    check();
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(boxes());
    EXPECT_THAT(preparedRequestText(MadeRequest(*frame, 0)), testing::Not(HasSubstr("serialNumber")));
    EXPECT_THAT(frame->View().Html().innerHtml("RA_REQ_AGREEMENT_PAPERS").value_or(""),
                HasSubstr("Žadatel prohlašuje, že osobní doklady"));
    EXPECT_TRUE(boxes().empty()) << testing::PrintToString(boxes());
}

TEST_F(DataPageTest, EachRequestOfAPairKeepsItsOwnProvider) {
    constexpr char16_t kOtherProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)";
    start();
    prepare(0, 0x80081, u"Jana Nováková");
    prepare(1, 0x80082, u"Jana Nováková", kOtherProvider);
    ASSERT_TRUE(frame->PrepareCSP());
    EXPECT_EQ(kSoftwareProvider, frame->Request(0).provider.name);
    EXPECT_EQ(kOtherProvider, frame->Request(1).provider.name);
    open();
    check();
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(platform::ui::script::transcript());
    EXPECT_THAT(log(), HasSubstr("CreatePKCS10(): 'Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)'"));
}

TEST_F(DataPageTest, KeysOfRequestsNotMadeAreOfferedForDeletion) {
    // The enrolment library asks its own question before it deletes; it
    // takes its answers from a script file (this process keeps the queue).
    platform::ui::backend();
    setenv("PLATFORM_UI",
           ("script:" + root.write("library_answers.txt", "MessageBox IDYES kontejner\nMessageBox IDYES kontejner\n")
                            .string())
               .c_str(),
           1);
    for (const char* reply : {"IDYES", "IDNO"}) {
        SCOPED_TRACE(reply);
        start();
        prepare(0, 0x80081, u"Jana Nováková");
        prepare(1, 0x80082, u"Jana Nováková");
        prepare(2, 0x802, u"AUT Jana Nováková");
        frame->SetAuthenticationToo(true);
        // The commercial request fails before its key (an alternative name
        // the library cannot write); no key is made for the authentication
        // request after it.
        frame->Request(1).certificate.altNames.push_back({u"1", halvex::kUtf8StringType, u"no other name"});
        const std::u16string firstContainer = frame->Request(0).firstContainer;
        queue("MessageBox", "IDOK", "Chyba při generování žádosti.");
        queue("MessageBox", reply, "Kontejner " + platform::text::toUtf8(firstContainer));
        const std::size_t keysBefore = Count(log(), "CreatePKCS10():KeyGenerate(): start");
        open();
        check();
        EXPECT_EQ("data_renew.htm", page());
        EXPECT_EQ(0u, platform::ui::script::pending()) << testing::PrintToString(boxes());
        EXPECT_EQ(std::string(reply) == "IDNO", ContainerExists(firstContainer));
        EXPECT_EQ(1u, Count(log(), "CreatePKCS10():KeyGenerate(): start") - keysBefore) << "one key, the first request's";
        frame.reset();
        platform::ui::script::clear();
    }

    // The authentication request fails after the pair's two new keys: each
    // of them is offered, and each answer holds for its own container.
    {
        start();
        prepare(0, 0x80081, u"Jana Nováková");
        prepare(1, 0x80082, u"Jana Nováková");
        prepare(2, 0x802, u"AUT Jana Nováková");
        frame->SetAuthenticationToo(true);
        frame->Request(0).firstContainer = u"Pair qualified key";
        frame->Request(1).secondContainer = u"Pair commercial key";
        frame->Request(2).certificate.altNames.push_back({u"1", halvex::kUtf8StringType, u"no other name"});
        queue("MessageBox", "IDOK", "Chyba při generování žádosti.");
        queue("MessageBox", "IDYES", "Kontejner Pair qualified key");
        queue("MessageBox", "IDNO", "Kontejner Pair commercial key");
        open();
        check();
        EXPECT_EQ("data_renew.htm", page());
        EXPECT_EQ(0u, platform::ui::script::pending()) << testing::PrintToString(boxes());
        EXPECT_FALSE(ContainerExists(u"Pair qualified key"));
        EXPECT_TRUE(ContainerExists(u"Pair commercial key"));
        frame.reset();
        platform::ui::script::clear();
    }

    // A request on the key the certificate already has asks nothing when
    // it fails.
    const testkit::TestCsp kept(testkit::CspKind::Software, root, u"Kept key");
    start();
    prepare(0, 0x80001, u"Jana Nováková");
    frame->Request(0).firstKeyOption = false;
    frame->Request(0).firstContainer = u"Kept key";
    frame->Request(0).certificate.altNames.push_back({u"1", halvex::kUtf8StringType, u"no other name"});
    queue("MessageBox", "IDOK", "Chyba při generování žádosti.");
    open();
    check();
    EXPECT_EQ(1u, boxes().size()) << testing::PrintToString(boxes());
    EXPECT_TRUE(ContainerExists(u"Kept key"));
}

}  // namespace
