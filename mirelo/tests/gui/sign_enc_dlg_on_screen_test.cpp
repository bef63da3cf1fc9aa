// The signer's confirmation on an X server of the test's own: template 205
// shown by GTK with its document, digest and certificate line, left as a
// screenshot in the artifacts folder, and answered with keys: Enter
// presses Yes, Escape Cancel.
#include <gtest/gtest.h>

#include <optional>

#include "certificate_support.h"
#include "on_screen_doubles.h"
#include "signer.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_user.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
using on_screen::SignerOnScreen;

TEST(SignEncDlgOnScreen, TheConfirmationShowsTheDocumentAndAnswersTheKeyboard) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    const auto hierarchy = pki::Hierarchy::make();
    const auto signer = certificate_support::userIssuedBy(hierarchy.qualifiedCa, "Jiří Dvořák")
                            .keyUsage(pki::kDigitalSignature)
                            .build();
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_NE(nullptr, my);
    certificate_support::addCertificate(my, signer.certificate, u"Microsoft Enhanced Cryptographic Provider v1.0");
    CertCloseStore(my, 0);

    testkit::ScreenUser user;
    SignerOnScreen confirming;
    ASSERT_TRUE(confirming.HasGraphicalInterface());
    confirming.remember(signer.certificate);
    SignJob job;
    job.operation = kSignWithSignatureCert;
    job.certInclusion = 1;
    const std::string text = "P\xF8" "evod 1 000 K\xE8\nna \xFA\xE8" "et 19-2000145399/0800";
    job.documents = {{"/tmp/prevod.txt", {text.begin(), text.end()}}};
    const auto confirm = [&] { return confirming.ConfirmSignJob(job); };

    EXPECT_EQ(0u, user.answered("Potvrzení", "Return", confirm,
                                {"mirelo-sign-confirmation",
                                 {"Převod 1 000 Kč", "na účet 19-2000145399/0800", "Jiří Dvořák", "Přejete si tuto akci dokončit?"}}));
    EXPECT_EQ(1u, job.confirmed);
    EXPECT_EQ(12u, user.answered("Potvrzení", "Escape", confirm, {"", {"Převod 1 000 Kč"}}));
    EXPECT_EQ(0u, job.confirmed);
}

}  // namespace
