// Failures of the enrolment library that a working provider does not
// produce, played by the stand-in that fails chosen members of the real
// library: each is shown with the message of its provider's error, and a
// key generated for a request that was not made is offered for deletion;
// the same for a further request's signature.
#include <gmock/gmock.h>

#include "data_page_fixture.h"
#include "pentak_lib.h"
#include "request_signing.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/user_stores.h"

namespace {

using namespace data_page;
using platform::ui::script::queue;
using testing::HasSubstr;

constexpr char kKeyAdvice[] = "Pokud generujete klíč na čipovou kartu, ujistěte se, že\n1. čtečka je připojena";

struct LibraryFailure {
    const char* failing;            // the stand-in's members and statuses
    const char16_t* provider;
    std::vector<const char*> texts;  // of the boxes shown, in order
};

class LibraryFailures : public DataPageTest {
protected:
    void SetUp() override {
        DataPageTest::SetUp();
        serveByStandIn(kEnrolmentClass16);
        setenv("HALVEX_STAND_IN_PENTAK", TESK_PENTAK_MODULE, 1);
    }
    void TearDown() override {
        unsetenv("HALVEX_STAND_IN_PENTAK");
        DataPageTest::TearDown();
    }
};

TEST_F(LibraryFailures, EachIsShownWithTheMessageOfItsProvidersError) {
    // The card providers are not installed: the stand-in answers their
    // checks itself.
    const std::string cardChecks = "IsAlgOidSupported=0,IsKeylenSupported=0,SetSignatureAlgorithmOid=0,";
    const std::vector<LibraryFailure> failures = {
        {"fail:IsKeylenSupported=80090008", kSoftwareProvider,
         {"Délka klíče 2048 není podporována Microsoft Enhanced RSA and AES Cryptographic Provider."}},
        {"fail:put_GenKeyFlags=80004005", kSoftwareProvider, {"Chyba při spolupráci s knihovnou Pentak.dll."}},
        {"fail:KeyGenerate=80004005", kSoftwareProvider, {"Chyba při generování soukromého klíče."}},
        {"fail:KeyGenerate=80090020", kSoftwareProvider, {"Chyba při práci s CSP."}},
        {"fail:KeyGenerate=80090023", kSoftwareProvider, {"Na kartě není místo pro další klíč"}},
        {"fail:KeyGenerate=8009000F", kSoftwareProvider, {"Název zvoleného klíčového kontejneru již existuje."}},
        {"fail:KeyGenerate=8009002E", kSoftwareProvider, {"Čipová karta nenalezena."}},
        {"fail:KeyGenerate=8010006E", kSoftwareProvider, {"Generování klíče bylo přerušeno."}},
        {"fail:KeyGenerate=80090020", u"Zintra CSP", {"Chyba při práci s čipovou kartou.\n"}},
        {"fail:KeyGenerate=80070057", u"Zintra CSP", {"Zkontrolujte zda máte připojenou čtečku."}},
        {"fail:KeyGenerate=800A01B6", u"Zintra CSP", {"Neznámá funkce TeskEnrollu. Nainstalujte novou verzi!"}},
        {"fail:KeyGenerate=80090016", u"Zintra CSP", {"Název zvoleného klíčového kontejneru již existuje."}},
        {"fail:KeyGenerate=80100027", u"Tesk Dravik CSP v1.0", {"Generování klíče bylo přerušeno."}},
        {"fail:KeyGenerate=80090020", u"Tesk Dravik CSP v1.0", {"Na kartě není místo pro další klíč"}},
        {"fail:KeyGenerate=80100027", kSoftwareProvider, {"Chyba při generování soukromého klíče."}},
        // The request fails after a new key: the key is offered for deletion.
        {"fail:CreatePKCS10=80004005", kSoftwareProvider,
         {"Chyba při generování žádosti.", "Žádost nebyla vytvořena. Přejete si odstranit vygenerované klíče?"}},
    };
    for (const LibraryFailure& failure : failures) {
        SCOPED_TRACE(failure.failing + std::string(" ") + platform::text::toUtf8(failure.provider));
        const bool card = failure.provider != std::u16string(kSoftwareProvider);
        const std::string mode(failure.failing);
        setenv("HALVEX_STAND_IN", (card ? "fail:" + cardChecks + mode.substr(5) : mode).c_str(), 1);
        start();
        prepare(0, 0x80001, u"Jana Nováková", failure.provider, card ? 1 : kSoftwareProviderType);
        frame->Request(0).firstContainer += u"-" + platform::text::fromUtf8(mode.substr(5));
        // Errors are acknowledged; the key is kept.
        for (const char* text : failure.texts)
            queue("MessageBox", std::string_view(text).starts_with("Žádost nebyla") ? "IDNO" : "IDOK", text);
        open();
        check();
        EXPECT_EQ("data_renew.htm", page());
        const std::vector<std::string> shown = boxes();
        ASSERT_EQ(failure.texts.size(), shown.size()) << testing::PrintToString(shown);
        for (std::size_t n = 0; n < shown.size(); ++n) EXPECT_THAT(shown[n], HasSubstr(failure.texts[n]));
        if (mode.find("KeyGenerate") != std::string::npos) {
            EXPECT_THAT(shown.front(), HasSubstr(kKeyAdvice));
        }
        frame.reset();
        platform::ui::script::clear();
    }
}

// A further request's document whose signature the provider refuses, its
// key in the software provider: the provider's error is shown as for the
// keys, an error it does not know as the signing failure.
TEST_F(LibraryFailures, AFailedSignatureOfAFurtherRequestShowsItsProvidersError) {
    const testkit::pki::Hierarchy hierarchy = testkit::pki::Hierarchy::make();
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"Tesk Signer");
    PCCERT_CONTEXT signer = csp.certificateWithKey("Tesk Signer", hierarchy.qualifiedCa);
    ASSERT_TRUE(signer);
    testkit::addToUserStore(u"MY", signer);
    const std::u16string certificate = platform::text::fromUtf8(
        testkit::pki::Certificate::fromDer({signer->pbCertEncoded, signer->pbCertEncoded + signer->cbCertEncoded})
            .pem());
    CertFreeCertificateContext(signer);
    const std::vector<std::pair<const char*, const char*>> failures = {
        {"fail:Sign=80090020", "Chyba při práci s CSP."},
        {"fail:Sign=8009002E", "Čipová karta nenalezena."},
        {"fail:Sign=8010006E", "Generování klíče bylo přerušeno."},
        {"fail:Sign=80004005", "Chyba při podepisování žádosti o vydání následného certifikátu."},
    };
    for (const auto& [failing, text] : failures) {
        SCOPED_TRACE(failing);
        setenv("HALVEX_STAND_IN", failing, 1);
        CLSID id{};
        ASSERT_EQ(S_OK, CLSIDFromString(kEnrolmentClass16, &id));
        IPentak* pentak = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IPentak,
                                         reinterpret_cast<void**>(&pentak)));
        queue("MessageBox", "IDOK", text);
        std::u16string pem;
        EXPECT_FALSE(halvex::SignRequestPkcs7(pentak, pem, certificate, u"<Tesk/>", u"1.2.840.113549.1.1.11"));
        pentak->Release();
        EXPECT_TRUE(pem.empty());
        const std::vector<std::string> shown = boxes();
        ASSERT_EQ(1u, shown.size()) << testing::PrintToString(shown);
        EXPECT_THAT(shown[0], HasSubstr(text));
        platform::ui::script::clear();
    }
}

}  // namespace
