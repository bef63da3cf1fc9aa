// Every dialog of the signing component on an X server of the test's own,
// in Czech with long real texts (a company's long distinguished name, a
// deep path with a long Czech file name, a Base64 body): each control, as
// GTK laid it out, overlaps no other and ends inside the window; each
// dialog ends on Escape, also where it has no Cancel button. Screenshots in
// the artifacts folder; the signer's confirmation's long signing subject is
// read on the screen whole, the container confirmation's long path with its
// file name whole.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "mime_enc_dlg.h"
#include "on_screen_doubles.h"
#include "sign_enc_dlg.h"
#include "sign_enc_kyd_dlg.h"
#include "signer.h"
#include "signer_kyd.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/dialog_layout.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_user.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
using on_screen::NoActions;
using on_screen::SignerOnScreen;
using namespace std::chrono_literals;

// Shows the dialog by ask() on this thread while the person checks its
// layout, saves its picture and presses the keys.
template <class Ask>
auto shownFitting(testkit::ScreenUser& user, const std::string& title, const std::string& keys,
                  const testkit::Shot& shot, Ask ask) {
    auto person = std::async(std::launch::async, [&] { testkit::answerCheckingLayout(user, title, keys, shot); });
    auto result = ask();
    person.get();
    return result;
}

const std::string kLongName =
    "Ing. Mgr. Kateřina Nováková-Dvořáková, Ph.D., MBA, Krajský úřad Jihomoravského kraje, odbor "
    "regionálního rozvoje a strategického plánování";

TEST(DialogsFitOnScreen, EverySigningDialogFitsItsWindowAndEndsOnEscape) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    const auto hierarchy = pki::Hierarchy::make();
    pki::CertificateBuilder builder;
    builder
        .subject(pki::Name{{"C", "CZ", pki::StringType::Printable},
                           {"O", "Krajský úřad Jihomoravského kraje, odbor regionálního rozvoje"},
                           {"OU", "Oddělení strategického plánování a evropských fondů"},
                           {"CN", kLongName}})
        .issuedBy(hierarchy.qualifiedCa)
        .keyUsage(pki::kDigitalSignature);
    const auto signer = builder.build();
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_NE(nullptr, my);
    certificate_support::addCertificate(my, signer.certificate, u"Microsoft Enhanced Cryptographic Provider v1.0");
    CertCloseStore(my, 0);
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto policy = root.write("policy.der", std::string(der.begin(), der.end()));

    testkit::ScreenUser user(std::chrono::seconds(240));
    TSignerKyd kyd;  // loads the rich-edit library the MIME text needs

    // The MIME text (200) has OK alone: Escape ends it as its close does.
    std::string base64;
    for (int line = 0; line < 40; ++line)
        base64 += "UMWZw61sacWhIMW+bHXFpW91xI1rw70ga8WvxYggw7pwxJtsIMSPw6FiZWxza8OpIMOzZHku" + std::to_string(line % 10) + "\r\n";
    const std::string mime =
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"smlouva-o-dilo-a-o-prevodu-prav-c-17-2026.txt\"\r\n\r\n" +
        base64;
    EXPECT_EQ(IDOK, shownFitting(user, "Dokument v kódování MIME", "Escape",
                                 {"mirelo-fit-mime-text", {"MIME-Version: 1.0", "Content-Transfer-Encoding: base64"}},
                                 [&] { return TMimeEncDlg(mime).Show(nullptr); }));

    // The charset choice (202): Escape is its Cancel.
    EXPECT_FALSE(shownFitting(user, "Znaková sada podepisovaného dokumentu", "Escape",
                              {"mirelo-fit-charset-choice",
                               {"Vyberte znakovou sadu, kterou používá podepisovaný dokument.", "OK", "Storno"}},
                              [&] { return kyd.SelectSignCharset(); }));

    // The signer's confirmation (205) of a long document.
    SignerOnScreen confirming;
    ASSERT_TRUE(confirming.HasGraphicalInterface());
    confirming.remember(signer.certificate);
    SignJob job;
    job.operation = kSignWithSignatureCert;
    job.certInclusion = 1;
    std::string text;
    for (int i = 1; i <= 30; ++i)
        text += "\xC8l\xE1nek " + std::to_string(i) +
                ": Zhotovitel se zavazuje prov\xE9st d\xEDlo \xF8\xE1" "dn\xEC a v\xE8" "as; objednatel d\xEDlo "
                "p\xF8" "evezme a zaplat\xED sjednanou cenu na \xFA\xE8" "et 19-2000145399/0800.\n";
    job.documents = {{"/home/katerina.novakova/Dokumenty/Smlouvy/2026/smlouva-o-dilo-a-o-prevodu-prav-c-17-2026.txt",
                      {text.begin(), text.end()}}};
    EXPECT_EQ(12u, shownFitting(user, "Potvrzení", "Escape",
                                {"mirelo-fit-confirmation-205",
                                 {"Zpráva:", "Článek 1: Zhotovitel se zavazuje provést dílo",
                                  "Podepsat certifikátem obsaženým v podepsané zprávě:",
                                  "C=CZ, O=\"Krajský úřad Jihomoravského kraje, odbor regionálního rozvoje\", "
                                  "OU=Oddělení strategického plánování a evropských fondů, CN=\"" + kLongName + "\"",
                                  "Přejete si tuto akci dokončit?", "Storno"}},
                                [&] { return confirming.ConfirmSignJob(job); }));
    EXPECT_EQ(0u, job.confirmed);

    // The container confirmation (206) with a policy has no Cancel button:
    // Escape ends it as its close does.
    ASSERT_TRUE(kyd.SetSignPolicyFile(platform::paths::toAnsi(policy))) << kyd.GetLastErrorStr();
    NoActions actions;
    // Its path and check state are ANSI text, as the signer takes them.
    std::vector<SignJobDocument> documents{
        {platform::text::utf8ToAnsi("/home/katerina.novakova/Dokumenty/Smlouvy/2026/Smlouva o dílo a o převodu "
                                    "autorských práv č. 17-2026 (úplné znění po dodatku č. 3).txt"),
         {'S', 'm', 'l', 'o', 'u', 'v', 'a'}}};
    const std::string state = platform::text::utf8ToAnsi("Dokument odpovídá schématu podání krajského úřadu");
    // The file name is read on the screen whole, the folders shortened.
    EXPECT_EQ(IDCANCEL, shownFitting(user, "Potvrzení", "Escape",
                                     {"mirelo-fit-confirmation-206",
                                      {"Souhlasím s obsahem podepisovaného dokumentu",
                                       "Umístění a název souboru podepisovaného dokumentu:",
                                       "(úplné znění po dodatku č. 3).txt",
                                       "Stav sémantické kontroly: Dokument odpovídá schématu podání",
                                       "Souhlasím s podpisovou politikou",
                                       "Přejete si podepsat dokument s výše uvedenými atributy?"}},
                                     [&] {
                  return TSignEncKydDlg(kyd, actions, documents, kConfirmSign, 0, 0, state, "Mirelo")
                      .Show(nullptr);
              }));

    // The policy viewer (214) has OK alone.
    EXPECT_TRUE(shownFitting(user, "Podpisová politika", "Escape", {"mirelo-fit-policy",
                                        {"Identifikace politiky - Politika elektronického podpisu "
                                         "(1.3.6.1.4.1.32473.10.1.3)",
                                         "Použití politiky - Test signatures"}},
                             [&] { return kyd.ShowSignPolicy(); }));
    EXPECT_EQ(0, kyd.GetLastErrorNumber());
}

}  // namespace
