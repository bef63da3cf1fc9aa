// The renewal road from the home page to the data page with the user's
// real certificates: the authority's certificates installed by the
// authority's registration module, the wizard's certificates issued under
// that authority in the user's "MY" store, card providers played by
// SoftHSM2 tokens, and the user's answers from the script.
#include <algorithm>
#include <functional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "frame_layout.h"
#include "halvex/request_model.h"
#include "openssl_request.h"
#include "shell_fixture.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/softhsm.h"
#include "testkit/user_stores.h"
#include "testkit/wizard_certificates.h"
#include "win32/crypt_chain.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

using namespace shell_fixture;
namespace pki = testkit::pki;
namespace script = platform::ui::script;

constexpr std::string_view kType6Policy = testkit::kProductionType6Policy;

class RenewalRoad : public FrameTest {
public:
    void SetUp() override {
        FrameTest::SetUp();
        // The certificate dialogs come from the layer's CryptUI module.
        setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_HHCTRL_DIR ":" TESK_CRYPTUI_DIR, 1);
        // The qualified certificates chain to what the authority's module
        // installs; the commercial ones' CA, which it does not install, is
        // the user's.
        testkit::addToUserStore(u"CA", hierarchy.standardCa.certificate);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unanswered: " << question;
            return IDCANCEL;
        });
    }

    // The authority's root and qualified CAs into the machine's stores.
    void installAuthority() { registerServer(TESK_OSTRIM_MODULE); }
    testkit::WizardCertificates installWizard() { return testkit::WizardCertificates::install(root, hierarchy); }
    // The authority's root in the user's "Root", its CAs nowhere.
    void addNationalRootOnly() { testkit::addToUserStore(u"Root", hierarchy.root.certificate); }
    // A settings file that allows none of the installed providers, read by
    // the program started anew.
    void allowNoProvider() {
        std::string settings = "<halvex><csplist>";
        for (const char16_t* name : kInstalledProviders) {
            m_providersBefore.emplace_back(name, halvex::TAppData::Instance().Providers().Lookup(name).value());
            settings += "<csp name=\"" + platform::text::toUtf8(name) + "\" enabled=\"FALSE\"/>";
        }
        testkit::writeFile(config / "Halvex.xml", settings + "</csplist></halvex>");
        frame.reset();
        CoUninitialize();
        startFrame();
    }
    void TearDown() override {
        FrameTest::TearDown();
        // The process's provider entries as they were, for the tests after.
        for (const auto& [name, entry] : m_providersBefore)
            halvex::TAppData::Instance().Providers().SetProvider(name, entry.flags, entry.enabled, entry.proof);
    }

    // A qualified certificate of the applicant, its key in a software
    // container of its name, in the user's "MY" store.
    testkit::WizardCertificate addQualified(const std::string& commonName, std::vector<pki::Policy> extraPolicies,
                                            const std::string& cardNumber = {}) {
        testkit::TestCsp container(testkit::CspKind::Software, root, platform::text::fromUtf8(commonName));
        PCCERT_CONTEXT certificate = container.certificateWithKey(
            qualifiedBuilder(commonName, std::move(extraPolicies), cardNumber), commonName);
        testkit::WizardCertificate added{commonName, testkit::Bytes(certificate->pbCertEncoded,
                                                                    certificate->pbCertEncoded + certificate->cbCertEncoded)};
        testkit::addToUserStore(u"MY", certificate);
        CertFreeCertificateContext(certificate);
        return added;
    }

    // The applicant's qualified certificate as the authority issues it.
    pki::CertificateBuilder qualifiedBuilder(const std::string& commonName, std::vector<pki::Policy> extraPolicies,
                                             const std::string& cardNumber = {}) {
        std::vector<pki::Policy> policies{{std::string(pki::kQualifiedPolicy)}};
        policies.insert(policies.end(), extraPolicies.begin(), extraPolicies.end());
        pki::CertificateBuilder builder;
        builder.issuedBy(hierarchy.qualifiedCa)
            .subject(pki::Name{{"C", "CZ", pki::StringType::Printable},
                               {"O", "Tesk Test"},
                               {"CN", commonName},
                               {"GN", "Jan"},
                               {"SN", "Novák"},
                               {"serialNumber", "PNOCZ-8012310009", pki::StringType::Printable}})
            .keyUsage(pki::kDigitalSignature | pki::kNonRepudiation)
            .policies(std::move(policies))
            .qcStatements({{std::string(pki::kQcCompliance)}});
        if (!cardNumber.empty()) builder.comment(cardNumber);
        return builder;
    }

    // The store's copy of the certificate now names the provider (and a
    // container of the certificate's name) for its key.
    void keyOnProvider(const testkit::WizardCertificate& certificate, const std::u16string& provider) {
        PCCERT_CONTEXT context = storeCopy(certificate);
        ASSERT_TRUE(context);
        std::u16string container = platform::text::fromUtf8(certificate.commonName);
        std::u16string name = provider;
        CRYPT_KEY_PROV_INFO info{container.data(), name.data(), PROV_RSA_FULL, 0, 0, nullptr, AT_KEYEXCHANGE};
        ASSERT_TRUE(CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        testkit::addToUserStore(u"MY", context);
        CertFreeCertificateContext(context);
    }

    PCCERT_CONTEXT storeCopy(const testkit::WizardCertificate& certificate) {
        HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, certificate.der.data(),
                                                             static_cast<DWORD>(certificate.der.size()));
        PCCERT_CONTEXT found = CertFindCertificateInStore(my, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
        CertFreeCertificateContext(wanted);
        CertCloseStore(my, 0);
        return found;
    }

    // The certificate page's entries, caption and value.
    std::vector<std::pair<std::string, std::string>> entries() {
        const std::string options = frame->View().Html().innerHtml("MYCERT_LIST").value_or("");
        static const std::regex option(R"re(<option value="([0-9]+)"[^>]*>([^<]*)</option>)re");
        std::vector<std::pair<std::string, std::string>> found;
        for (auto it = std::sregex_iterator(options.begin(), options.end(), option); it != std::sregex_iterator(); ++it)
            found.emplace_back((*it)[2].str(), (*it)[1].str());
        return found;
    }

    // The entry of the certificate chosen on the page, the revocation
    // password typed, and the page's Continue followed.
    void choose(const std::string& caption, const std::string& repeatedPassword = "heslo123") {
        const auto listed = entries();
        const auto entry = std::find_if(listed.begin(), listed.end(), [&](const auto& e) { return e.first == caption; });
        ASSERT_NE(entry, listed.end()) << caption;
        ASSERT_TRUE(frame->View().Html().setValue("MYCERT_LIST", entry->second));
        frame->View().Html().setValue("RA_REVOKE_PASSWD", "heslo123");
        frame->View().Html().setValue("RA_REVOKE_PASSWD2", repeatedPassword);
        click("SELCERT_NEXT");
    }

    std::string inner(const std::string& id) { return frame->View().Html().innerHtml(id).value_or(""); }
    bool hidden(const std::string& id) {
        return frame->View().Html().className(id).value_or("").find("hidden_item") != std::string::npos;
    }

    bool asked(const std::string& text) {
        const auto lines = script::transcript();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

    pki::Hierarchy hierarchy = pki::Hierarchy::make({.authorityFolder = TESK_TEST_AUTHORITY_DIR});

private:
    static constexpr const char16_t* kInstalledProviders[] = {
        u"Microsoft Enhanced RSA and AES Cryptographic Provider",
        u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)",
        u"Microsoft Enhanced Cryptographic Provider v1.0", u"Microsoft Strong Cryptographic Provider"};
    std::vector<std::pair<std::u16string, halvex::ProviderEntry>> m_providersBefore;
};

std::string tokenSerial(const testkit::SoftHsmToken& token) {
    const auto listed = token.pkcs11Tool({"--list-token-slots"});
    std::smatch found;
    static const std::regex serial(R"re(serial num\s*:\s*(\S+))re");
    return std::regex_search(listed.out, found, serial) ? found[1].str() : std::string();
}

// The errors of the certificate's chain as the user's stores build it, and
// the common name its chain ends in.
std::pair<DWORD, std::u16string> ChainOf(const testkit::WizardCertificate& certificate) {
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, certificate.der.data(),
                                                          static_cast<DWORD>(certificate.der.size()));
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    std::pair<DWORD, std::u16string> found{~0u, u""};
    if (context && CertGetCertificateChain(nullptr, context, nullptr, nullptr, &para, 0, nullptr, &chain)) {
        const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
        char16_t name[128] = {};
        CertGetNameStringW(simple.rgpElement[simple.cElement - 1]->pCertContext, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                           nullptr, name, 128);
        found = {chain->TrustStatus.dwErrorStatus, name};
        CertFreeCertificateChain(chain);
    }
    if (context) CertFreeCertificateContext(context);
    return found;
}

// A request the data check made, as a certificate authority reads it: its
// signature verified, the applicant's name and identifier, SHA-256 with RSA,
// and country and identifier as PrintableString, the e-mail address as
// IA5String, every other name as UTF8String.
std::string VerifiedRequest(const std::u16string& pem, const std::string& commonName) {
    EXPECT_TRUE(pem.ends_with(u"\n-----END CERTIFICATE REQUEST-----\n")) << platform::text::toUtf8(pem);
    const std::string text = openssl_request::verifiedText(pem);
    EXPECT_NE(std::string::npos, text.find("self-signature verify OK")) << text;
    EXPECT_NE(std::string::npos, text.find("CN=" + commonName)) << text;
    EXPECT_NE(std::string::npos, text.find("serialNumber=PNOCZ-8012310009")) << text;
    EXPECT_NE(std::string::npos, text.find("Signature Algorithm: sha256WithRSAEncryption")) << text;
    openssl_request::expectSubjectStringTypes(pem);
    return text;
}

TEST_F(RenewalRoad, AQualifiedCertificateIsChosenAndTheDataPageShowsIt) {
    const auto set = installWizard();
    EXPECT_NE(0u, ChainOf(set.qualified).first) << "nothing of the authority is installed yet";
    installAuthority();
    // The certificates the user renews chain to the root the authority's
    // module installed, which the required-certificate check finds.
    EXPECT_EQ(std::make_pair(DWORD{0}, std::u16string(u"Tesk National Root CA")), ChainOf(set.qualified));

    follow("URL_REQ_RQC");
    ASSERT_EQ("selcert_renew.htm", page());
    std::vector<std::string> captions;
    for (const auto& entry : entries()) captions.push_back(entry.first);
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::string>{"(P) " + set.parvelQualified.commonName,
                                                  "(Q) " + set.authorityFamily.commonName,
                                                  "(Q) " + set.lawyer.commonName,
                                                  "(Q) " + set.noDigitalSignature.commonName,
                                                  "(Q) " + set.qualified.commonName}))
        << "expired and commercial certificates are not offered";

    // The view dialog shows the certificate of the entry.
    script::queue("ViewCertificate", "IDOK", set.qualified.commonName);
    const auto listed = entries();
    const auto qualified = std::find_if(listed.begin(), listed.end(),
                                        [&](const auto& e) { return e.first == "(Q) " + set.qualified.commonName; });
    ASSERT_NE(qualified, listed.end());
    follow("URL_SHOWRENEWCERT_" + qualified->second);
    EXPECT_EQ(0u, script::pending());
    EXPECT_EQ("selcert_renew.htm", page());

    choose("(Q) " + set.qualified.commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(halvex::kKindRenewal | halvex::kKindQualified, frame->Request(0).kind);
    EXPECT_EQ(u"heslo123", frame->Request(0).challengePassword);
    EXPECT_EQ("Microsoft Enhanced RSA and AES Cryptographic Provider", inner("RA_TEMPL_CSP_LIST"));
    EXPECT_EQ(0u, inner("RA_KEYLENHASH_QC").rfind("2048b, ", 0)) << inner("RA_KEYLENHASH_QC");
    EXPECT_NE(std::string::npos, inner("RA_TEMPLATE_HTML").find(set.qualified.commonName));
    EXPECT_NE(std::string::npos, inner("RA_TEMPLATE_HTML").find("PNOCZ-8012310009"));
    EXPECT_EQ(std::string::npos, inner("RA_KEY_USAGE_SPAN").find("td3")) << "one certificate, one column";
    EXPECT_TRUE(hidden("RA_KEYLENHASH_SC_ID"));
    EXPECT_TRUE(hidden("RA_FORM_NAMES")) << "the certificate names the applicant";
    EXPECT_TRUE(hidden("RA_CERT_GOV_USAGE_INPUT")) << "the certificate carries its identifier";
    EXPECT_EQ(std::string::npos, inner("RA_KEY_VALIDITY").find("1024|12")) << "1024 bits for 12 months is never offered";
    EXPECT_EQ(frame->Request(0).cardNumber, u"") << "a software key has no card";

    // The data page's check makes the request on a new key and shows it.
    click("DATA_NEXT");
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(script::transcript());
    const std::u16string& pem = frame->Request(0).requestText;
    const std::string text = VerifiedRequest(pem, set.qualified.commonName);
    EXPECT_NE(std::string::npos, text.find("GN=Jan")) << text;
    EXPECT_NE(std::string::npos, text.find("SN=Novák")) << text;
    EXPECT_NE(std::string::npos, text.find("X509v3 Key Usage: \n                    Digital Signature, Non Repudiation\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("email:jan.novak@tesk.example")) << text;
    EXPECT_NE(std::string::npos, inner("RA_REQUEST_QC").find(platform::text::toUtf8(pem.substr(0, 100))));
    EXPECT_TRUE(hidden("RA_REQUEST_SC_ROW"));
}

// A key length the data page does not list is offered as the certificate's
// own, and the new key has it.
TEST_F(RenewalRoad, ACertificateOfA3072BitKeyIsRenewedAtItsLength) {
    installAuthority();
    const std::string commonName = "Tesk Wide Key";
    const pki::Credential issued = qualifiedBuilder(commonName, {}).key(pki::Key::rsa(3072, commonName)).build();
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(X509_ASN_ENCODING, issued.certificate.der().data(),
                                                              static_cast<DWORD>(issued.certificate.der().size()));
    ASSERT_TRUE(certificate);
    std::u16string container = platform::text::fromUtf8(commonName);
    std::u16string provider = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
    CRYPT_KEY_PROV_INFO info{container.data(), provider.data(), PROV_RSA_AES, 0, 0, nullptr, AT_KEYEXCHANGE};
    ASSERT_TRUE(CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    testkit::addToUserStore(u"MY", certificate);
    CertFreeCertificateContext(certificate);

    follow("URL_REQ_RQC");
    choose("(Q) " + commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(0u, inner("RA_KEYLENHASH_QC").rfind("3072b, ", 0)) << inner("RA_KEYLENHASH_QC");
    EXPECT_EQ("3072|12", frame->View().Html().value("RA_KEY_VALIDITY").value_or("")) << inner("RA_KEY_VALIDITY");
    EXPECT_NE(std::string::npos, inner("RA_KEY_VALIDITY").find("4096|12")) << "the page's own choices stay";
    click("DATA_NEXT");
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(3072, frame->Request(0).keyLength);
    const std::string text = VerifiedRequest(frame->Request(0).requestText, commonName);
    EXPECT_NE(std::string::npos, text.find("Public-Key: (3072 bit)")) << text;
}

TEST_F(RenewalRoad, PairsRenewBothCertificatesAndALawyerCardAlsoAnAuthenticationOne) {
    TESTKIT_REQUIRE_SOFTHSM();
    installAuthority();
    const auto set = installWizard();

    // A Parvel pair: the qualified and the commercial certificate together.
    follow("URL_REQ_RQC");
    choose("(P) " + set.parvelQualified.commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(0x80081u, frame->Request(0).kind);
    EXPECT_EQ(0x80082u, frame->Request(1).kind);
    EXPECT_NE(std::string::npos, inner("RA_TEMPLATE_HTML").find(set.parvelCommercial.commonName));
    EXPECT_FALSE(hidden("RA_KEYLENHASH_SC_ID"));
    EXPECT_FALSE(frame->Choice().authenticationToo) << "only a lawyer card is asked about an authentication certificate";
    EXPECT_EQ("Žádost o vydání následného certifikátu: Žádost o vydání následného páru certifikátů PARVEL - standard",
              frame->View().Html().statusText(halvex::kRequestPane))
        << "the software provider is no card of the family";
    click("DATA_NEXT");
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(script::transcript());
    VerifiedRequest(frame->Request(0).requestText, set.parvelQualified.commonName);
    VerifiedRequest(frame->Request(1).requestText, set.parvelCommercial.commonName);
    EXPECT_FALSE(hidden("RA_REQUEST_SC_ROW"));
    EXPECT_TRUE(hidden("RA_REQUEST_ASC_ROW"));

    // A lawyer card whose key is in the software provider: the card's
    // commercial certificate chosen, the authentication certificate asked
    // for; three requests, the third with the applicant's only identifier.
    frame->OnCommand(halvex::kCommandHome);
    follow("URL_REQ_RQC");
    script::queue("SelectCertificate", "0", set.lawyerCommercial[0].commonName);
    script::queue("MessageBox", "IDYES", "autentizační komerční certifikát (AUT)");
    choose("(Q) " + set.lawyer.commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(0x802u, frame->Request(2).kind);
    EXPECT_EQ("Žádost o vydání následného certifikátu: Žádost o vydání následného kvalifikovaného certifikátu - "
              "standard",
              frame->View().Html().statusText(halvex::kRequestPane));
    // The pair's keys may have been made in the same second: containers of
    // their own.
    for (std::size_t n = 0; n < 3; ++n) {
        frame->Request(n).firstContainer += u"L";
        frame->Request(n).secondContainer += u"L";
    }
    click("DATA_NEXT");
    ASSERT_EQ("summary_renew.htm", page()) << testing::PrintToString(script::transcript());
    VerifiedRequest(frame->Request(0).requestText, set.lawyer.commonName);
    VerifiedRequest(frame->Request(1).requestText, platform::text::toUtf8(frame->Choice().certificates[1].commonName));
    VerifiedRequest(frame->Request(2).requestText, "AUT Jan Novák");
    EXPECT_FALSE(hidden("RA_REQUEST_ASC_ROW"));

    // A lawyer card held by each card provider: the card's two commercial
    // certificates offered, the authentication certificate asked for (the
    // Kavlo card's holder declines it: two requests), the card's number
    // read from the token.
    const std::pair<const char16_t*, const char*> cardProviders[] = {
        {u"Zintra CSP", "zintrap11.so"}, {u"Tesk Dravik CSP v1.0", "teskpkcs.so"}, {u"KavloCSP", "kavlopkcs11.so"}};
    for (const auto& [provider, vendorModule] : cardProviders) {
        SCOPED_TRACE(platform::text::toUtf8(provider));
        testkit::SoftHsmOptions options;
        options.provider = provider;
        const testkit::SoftHsmToken token(root, options);
        // The card vendor's PKCS #11 module is the token's.
        const fs::path system = root.path() / "Windows" / "System32";
        fs::create_directories(system);
        fs::remove(system / vendorModule);
        fs::create_symlink(testkit::SoftHsmToken::module(), system / vendorModule);
        // A Kavlo card tells its number through its provider: the token's
        // serial number written where the provider reads it.
        const std::string serialText = tokenSerial(token);
        token.writeDataObject("Tesk provider parameter 0x10000021", "",
                              std::vector<unsigned char>(serialText.begin(), serialText.end()));
        keyOnProvider(set.lawyer, provider);
        frame->OnCommand(halvex::kCommandHome);
        follow("URL_REQ_RQC");
        const bool authentication = std::u16string_view(provider) != u"KavloCSP";
        script::queue("SelectCertificate", "1", set.lawyerCommercial[1].commonName);
        script::queue("MessageBox", authentication ? "IDYES" : "IDNO", "autentizační komerční certifikát (AUT)");
        choose("(Q) " + set.lawyer.commonName);
        ASSERT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
        ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
        // The lawyer card's policy is of the authority's family.
        ASSERT_TRUE(frame->Choice().certificates[0].authorityFamily);
        EXPECT_EQ(0x80801u | halvex::kKindAuthorityFamily, frame->Request(0).kind);
        EXPECT_EQ(0x80802u, frame->Request(1).kind);
        // Only the Zintra card is of the card family the pane names.
        EXPECT_EQ(std::string("Žádost o vydání následného certifikátu: Žádost o vydání následného kvalifikovaného "
                              "certifikátu - ") +
                      (std::u16string_view(provider) == u"Zintra CSP" ? "zintra" : "standard"),
                  frame->View().Html().statusText(halvex::kRequestPane));
        const std::u16string serial = platform::text::fromUtf8(serialText);
        ASSERT_FALSE(serial.empty());
        for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(serial, frame->Request(i).cardNumber) << i;
        EXPECT_EQ(authentication, frame->Choice().authenticationToo);
        if (!authentication) {
            EXPECT_EQ(0u, frame->Request(2).kind) << "no authentication request";
            continue;
        }
        EXPECT_EQ(0x802u, frame->Request(2).kind);
        // The authentication certificate's subject, from the qualified one's.
        std::vector<std::pair<std::u16string, std::u16string>> subject;
        for (const auto& attr : frame->Request(2).certificate.subject) subject.emplace_back(attr.oid, attr.value);
        EXPECT_EQ(subject, (std::vector<std::pair<std::u16string, std::u16string>>{{u"2.5.4.3", u"AUT Jan Novák"},
                                                                                   {u"2.5.4.5", u"PNOCZ-8012310009"},
                                                                                   {u"2.5.4.10", u"Tesk Test"},
                                                                                   {u"2.5.4.6", u"CZ"}}));
    }
}

// Each failure a user can meet on the way, from the page where it happens,
// with the text the user reads; the page stays (or, for a kind the program
// does not offer, the error page).
struct FailureCase {
    const char* name;
    std::function<void(RenewalRoad&)> prepare;  // the user's certificates and the machine
    std::string command;                        // from the home page
    std::string choice;                         // entry chosen on the certificate page
    std::vector<std::pair<const char*, const char*>> answers;
    std::string message;  // in the transcript, or on the error page
    std::string pageAfter;
    std::string repeatedPassword = "heslo123";
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class RenewalFailure : public RenewalRoad, public testing::WithParamInterface<FailureCase> {};

TEST_P(RenewalFailure, ShowsItsMessageAndKeepsThePage) {
    const FailureCase& c = GetParam();
    if (c.prepare) c.prepare(*this);
    follow(c.command);
    for (const auto& [kind, reply] : c.answers) script::queue(kind, reply);
    if (!c.choice.empty())
        choose(c.choice, c.repeatedPassword);
    else if (!c.answers.empty())
        click("SELCERT_NEXT");
    EXPECT_EQ(c.pageAfter, page());
    EXPECT_EQ(0u, script::pending());
    if (c.pageAfter == "err_page.htm")
        EXPECT_EQ(c.message, inner("RA_ERR_MSG_ID"));
    else
        EXPECT_TRUE(asked(c.message)) << testing::PrintToString(script::transcript());
}

void AuthorityAndWizard(RenewalRoad& t) {
    t.installAuthority();
    t.installWizard();
}

INSTANTIATE_TEST_SUITE_P(
    OnTheWay, RenewalFailure,
    testing::Values(
        FailureCase{"a kind the program does not renew", {}, "URL_REQ_QC", "", {}, "Typ žádosti se nepodařilo určit",
                    "err_page.htm"},
        FailureCase{"an unknown renewal kind stops at the error page", {}, "URL_REQ_RSC", "", {},
                    "Typ žádosti se nepodařilo určit", "err_page.htm"},
        FailureCase{"national root missing",
                    [](RenewalRoad& t) { t.installWizard(); }, "URL_REQ_RQC",
                    "(Q) Tesk Wizard Qualified", {{"MessageBox", "IDOK"}},
                    "Nebyl nalezen potřebný certifikát:\nÚložiště certifikátů: 'Root'\nJedinečné jméno: 'Tesk National "
                    "Root CA'\nVystavitel: 'Tesk National Root CA'.\n\nTento certifikát je vyžadovaný pro vytvoření "
                    "zaručeného elektronického podpisu.\n\nCertifikát je možné stáhnout z URL: "
                    "'http://www.tesk.example/certifikaty/root.crt'.",
                    "selcert_renew.htm"},
        FailureCase{"qualified CA missing",
                    [](RenewalRoad& t) {
                        t.addNationalRootOnly();
                        t.installWizard();
                    },
                    "URL_REQ_RQC", "(Q) Tesk Wizard Qualified", {{"MessageBox", "IDOK"}},
                    "Úložiště certifikátů: 'CA'\nJedinečné jméno: 'Tesk Qualified CA'\nVystavitel: 'Tesk National Root "
                    "CA'.",
                    "selcert_renew.htm"},
        FailureCase{"the revocation password repeated differently", AuthorityAndWizard, "URL_REQ_RQC",
                    "(Q) Tesk Wizard Qualified", {{"MessageBox", "IDOK"}},
                    "Heslo pro zneplatnění a jeho zopakování se neshodují.", "selcert_renew.htm", "heslo124"},
        FailureCase{"no certificate to renew", [](RenewalRoad& t) { t.installAuthority(); }, "URL_REQ_RQC", "",
                    {{"MessageBox", "IDOK"}}, "Není vybrán certifikát, k němuž bude vydán následný certifikát.",
                    "selcert_renew.htm"},
        FailureCase{"a lawyer certificate without a card number",
                    [](RenewalRoad& t) {
                        t.installAuthority();
                        t.addQualified("Tesk Lawyer Without Card", {{std::string(kType6Policy)}});
                    },
                    "URL_REQ_RQC", "(Q) Tesk Lawyer Without Card", {{"MessageBox", "IDOK"}},
                    "Zvolený certifikát neobsahuje číslo čipové karty.", "selcert_renew.htm"},
        FailureCase{"a lawyer card without its commercial certificate",
                    [](RenewalRoad& t) {
                        t.installAuthority();
                        t.addQualified("Tesk Lawyer Alone", {{std::string(kType6Policy)}}, "5550009999");
                    },
                    "URL_REQ_RQC", "(Q) Tesk Lawyer Alone", {{"MessageBox", "IDOK"}},
                    "Na čipové kartě nebyl nalezen odpovídající komerční certifikát.", "selcert_renew.htm"},
        FailureCase{"the card's commercial certificate not chosen", AuthorityAndWizard, "URL_REQ_RQC",
                    "(Q) Tesk Wizard Lawyer", {{"SelectCertificate", "IDCANCEL"}, {"MessageBox", "IDOK"}},
                    "Není vybrán certifikát, k němuž bude vydán následný certifikát.", "selcert_renew.htm"},
        FailureCase{"the authentication question cancelled", AuthorityAndWizard, "URL_REQ_RQC",
                    "(Q) Tesk Wizard Lawyer", {{"SelectCertificate", "0"}, {"MessageBox", "IDCANCEL"}},
                    "Požadujete také vydat autentizační komerční certifikát (AUT)?", "selcert_renew.htm"},
        FailureCase{"a certificate that cannot sign", AuthorityAndWizard, "URL_REQ_RQC",
                    "(Q) Tesk Wizard No Signature", {{"MessageBox", "IDOK"}},
                    "Zvoleným certifikátem nelze podepsat žádost o certifikát.", "selcert_renew.htm"},
        FailureCase{"a card whose number cannot be read",
                    [](RenewalRoad& t) {
                        t.installAuthority();
                        t.keyOnProvider(t.addQualified("Tesk Card Unread", {}), u"KavloCSP");
                    },
                    "URL_REQ_RQC", "(Q) Tesk Card Unread", {{"MessageBox", "IDOK"}},
                    "Nepodařilo se získat číslo čipové karty. Zkontrolujte, zda máte připojenou čtečku a vloženou "
                    "kartu.",
                    "selcert_renew.htm"},
        FailureCase{"no installed provider that the settings allow",
                    [](RenewalRoad& t) {
                        t.allowNoProvider();
                        AuthorityAndWizard(t);
                    },
                    "URL_REQ_RQC", "(Q) Tesk Wizard Qualified", {{"MessageBox", "IDOK"}},
                    "Nebyl nalezen povolený poskytovatel šifrovacích služeb (CSP) pro zvolený typ žádosti.",
                    "selcert_renew.htm"},
        FailureCase{"the key's provider not installed",
                    [](RenewalRoad& t) {
                        t.installAuthority();
                        t.keyOnProvider(t.addQualified("Tesk Missing Provider", {}), u"Tesk Missing CSP");
                    },
                    "URL_REQ_RQC", "(Q) Tesk Missing Provider", {{"MessageBox", "IDOK"}},
                    "Zvolený poskytovatel šifrovacích služeb (CSP) Tesk Missing CSP nebyl nalezen. CSP není zřejmě "
                    "nainstalován.",
                    "selcert_renew.htm"}));

TEST_F(RenewalRoad, ACertificateThatCannotBeShownIsNamedSoAndThePageStays) {
    installAuthority();
    const auto set = installWizard();
    follow("URL_REQ_RQC");
    const auto entry = [&](const testkit::WizardCertificate& certificate) {
        const auto listed = entries();
        const auto found = std::find_if(listed.begin(), listed.end(),
                                        [&](const auto& e) { return e.first == "(Q) " + certificate.commonName; });
        return found == listed.end() ? std::string("none") : found->second;
    };

    // Without the certificate dialogs' module the view cannot be shown.
    setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR, 1);
    script::queue("MessageBox", "IDOK",
                  "Certifikát nelze zobrazit, protože pravděpodobně není nainstalována knihovna cryptui.dll.");
    follow("URL_SHOWRENEWCERT_" + entry(set.authorityFamily));
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
    setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_HHCTRL_DIR ":" TESK_CRYPTUI_DIR, 1);

    // A certificate removed from the store since the page listed it.
    PCCERT_CONTEXT gone = storeCopy(set.qualified);
    ASSERT_TRUE(CertDeleteCertificateFromStore(gone));
    const std::string removed = entry(set.qualified);
    script::queue("MessageBox", "IDOK", "Certifikát nelze zobrazit.");
    follow("URL_SHOWRENEWCERT_" + removed);
    EXPECT_EQ(0u, script::pending());
    follow("URL_SHOWRENEWCERT_99");
    follow("URL_SHOWRENEWCERT_x");
    follow("URL_SHOWRENEWCERT_" + removed + "x");
    follow("URL_SHOWRENEWCERT_-1");
    EXPECT_EQ(0u, script::pending()) << "an index the page never offered shows nothing";
    EXPECT_EQ("selcert_renew.htm", page());
}

TEST_F(RenewalRoad, AnotherVisitListsEachCertificateOnceAndTheChangedChoiceStays) {
    installAuthority();
    const auto set = installWizard();
    follow("URL_REQ_RQC");
    const std::size_t firstVisit = entries().size();
    const std::size_t everything = frame->Choice().allCertificates.size();
    frame->OnCommand(halvex::kCommandHome);
    follow("URL_REQ_RQC");
    EXPECT_EQ(firstVisit, entries().size());
    EXPECT_EQ(everything, frame->Choice().allCertificates.size()) << "the lists are read afresh";

    const auto listed = entries();
    const auto family = std::find_if(listed.begin(), listed.end(),
                                     [&](const auto& e) { return e.first == "(Q) " + set.authorityFamily.commonName; });
    ASSERT_NE(family, listed.end());
    follow("URL_ONCHANGE_RENEWCERT_" + family->second);
    EXPECT_EQ(platform::text::fromUtf8(set.authorityFamily.commonName), frame->Choice().certificates[0].commonName);

    // After the second visit the chosen entry still names its certificate.
    choose("(Q) " + set.authorityFamily.commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(halvex::kKindRenewal | halvex::kKindAuthorityFamily | halvex::kKindQualified, frame->Request(0).kind);
    EXPECT_NE(std::string::npos, inner("RA_TEMPLATE_HTML").find(set.authorityFamily.commonName));
}

// A reload of the certificate page shows each password field as it was
// typed, so a repetition typed differently is still told. Home resets the
// requests, and with them what the pages before showed: Back no longer
// offers the data page, whose check would now refuse the name it shows.
TEST_F(RenewalRoad, AReloadKeepsEachPasswordAsTypedAndHomeLeavesNothingToGoBackTo) {
    installAuthority();
    const auto set = installWizard();
    follow("URL_REQ_RQC");
    auto& html = frame->View().Html();
    html.setValue("RA_REVOKE_PASSWD", "heslo123");
    html.setValue("RA_REVOKE_PASSWD2", "heslo124");
    frame->OnCommand(halvex::kCommandRefresh);
    ASSERT_EQ("selcert_renew.htm", page());
    EXPECT_EQ("heslo123", html.value("RA_REVOKE_PASSWD").value_or(""));
    EXPECT_EQ("heslo124", html.value("RA_REVOKE_PASSWD2").value_or(""));
    const auto listed = entries();
    const auto qualified = std::find_if(listed.begin(), listed.end(),
                                        [&](const auto& e) { return e.first == "(Q) " + set.qualified.commonName; });
    ASSERT_NE(qualified, listed.end());
    ASSERT_TRUE(html.setValue("MYCERT_LIST", qualified->second));
    script::queue("MessageBox", "IDOK", "Heslo pro zneplatnění a jeho zopakování se neshodují.");
    click("SELCERT_NEXT");
    EXPECT_EQ("selcert_renew.htm", page());
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());

    choose("(Q) " + set.qualified.commonName);
    ASSERT_EQ("data_renew.htm", page()) << testing::PrintToString(script::transcript());
    frame->OnCommand(halvex::kCommandHome);
    ASSERT_EQ("home.htm", page());
    EXPECT_FALSE(html.commandEnabled(halvex::kCommandBack));
    frame->OnCommand(halvex::kCommandBack);
    EXPECT_EQ("home.htm", page());
    // The certificate page comes with both fields empty, as the password
    // was reset.
    follow("URL_REQ_RQC");
    EXPECT_EQ("", html.value("RA_REVOKE_PASSWD").value_or("?"));
    EXPECT_EQ("", html.value("RA_REVOKE_PASSWD2").value_or("?"));
}

TEST_F(RenewalRoad, ASavedRequestPickedInTheFileDialogIsNamedOnThePage) {
    const fs::path saved = root.write("requests/renewal.req", "-----BEGIN NEW CERTIFICATE REQUEST-----\n");
    click("HOME_LOAD");
    ASSERT_EQ("selrequest.htm", page());
    script::queue("OpenFile", "IDCANCEL");
    follow("URL_SHOWFILEDIALOG");
    EXPECT_EQ("", frame->View().Html().value("certrenewreq").value_or("?")) << "nothing chosen, nothing named";
    script::queue("OpenFile", saved.string());
    follow("URL_SHOWFILEDIALOG");
    EXPECT_EQ(saved.string(), frame->View().Html().value("certrenewreq"));
    EXPECT_EQ(platform::text::fromUtf8(saved.string()), frame->Request(0).saveFileName);
    EXPECT_EQ(0u, script::pending());
}

}  // namespace
