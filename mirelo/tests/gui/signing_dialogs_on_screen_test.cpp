// The container road's dialogs on an X server of the test's own, each in a
// GTK window left as a screenshot in the artifacts folder and answered
// with keys: the MIME text (template 200) closed by Enter, the charset
// choice (202) confirmed by Enter, and the container confirmation (206)
// with a loaded policy and a signing certificate of a long subject, read
// whole, whose policy line, clicked with the mouse, opens the policy viewer
// over it, answered No by its mnemonic; the same confirmation walked by Tab,
// each stop showing the focus.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "mime_enc_dlg.h"
#include "on_screen_doubles.h"
#include "platform/paths.h"
#include "sign_enc_dlg.h"
#include "sign_enc_kyd_dlg.h"
#include "signer_kyd.h"
#include "testkit/dialog_layout.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_pixels.h"
#include "testkit/screen_user.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
using on_screen::NoActions;

// A signer whose remembered signing certificate a test sets.
class Signer : public TSignerKyd {
public:
    void remember(const pki::Certificate& certificate) {
        m_certs.AddCertificate(1, certificate_support::infoOf(certificate), false);
    }
};

TEST(SigningDialogsOnScreen, MimeTextCharsetChoiceAndContainerConfirmationAnswerTheKeyboard) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto policy = root.write("policy.der", std::string(der.begin(), der.end()));

    // A qualified certificate's subject as long as they come: titles, an
    // office and its department, an identifier and an address.
    const auto hierarchy = pki::Hierarchy::make();
    pki::CertificateBuilder builder;
    builder
        .subject(pki::Name{{"C", "CZ", pki::StringType::Printable},
                           {"O", "Kancelář veřejného ochránce práv"},
                           {"OU", "Odbor ochrany práv dětí a osob se zdravotním postižením"},
                           {"CN", "Ing. Mgr. Bohuslava Příhodová-Šťastná, Ph.D."},
                           {"serialNumber", "ICA - 10471386", pki::StringType::Printable},
                           {"emailAddress", "bohuslava.prihodova-stastna@example.cz", pki::StringType::Ia5}})
        .issuedBy(hierarchy.qualifiedCa)
        .keyUsage(pki::kNonRepudiation)
        .policies({{std::string(pki::kQualifiedPolicy)}})
        .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}});
    const auto certificate = builder.build();
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_NE(nullptr, my);
    certificate_support::addCertificate(my, certificate.certificate, u"Microsoft Enhanced Cryptographic Provider v1.0");
    CertCloseStore(my, 0);

    testkit::ScreenUser user;
    Signer signer;
    signer.remember(certificate.certificate);
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(policy))) << signer.GetLastErrorStr();

    const std::string mime =
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: filename=\"smlouva.txt\"\r\n\r\nU21sb3V2YSBvIGTDrWxv\r\n";
    const auto showMime = [&] { return TMimeEncDlg(mime).Show(nullptr); };
    EXPECT_EQ(IDOK, user.answered("MIME encoded document", "Return", showMime,
                                  {"mirelo-mime-text", {"MIME-Version: 1.0", "Content-Disposition: filename=\"smlouva.txt\"",
                                                        "U21sb3V2YSBvIGTDrWxv"}}));

    const auto chooseCharset = [&] { return signer.SelectSignCharset(); };
    EXPECT_TRUE(user.answered("Character set of the signing document", "Return", chooseCharset,
                              {"mirelo-charset-choice", {"Select the character set used by signing document.", "UTF-8"}}));
    EXPECT_EQ(0, signer.GetLastErrorNumber());

    NoActions actions;
    std::vector<SignJobDocument> documents{{"/data/smlouva.txt", {'S', 'm', 'l', 'o', 'u', 'v', 'a'}}};
    auto clicker = std::async(std::launch::async, [&] {
        const std::string window = testkit::findWindow("Confirmation");
        ASSERT_FALSE(window.empty()) << "no confirmation came";
        // The policy's issuer line, where the dialog's layout put it.
        constexpr int kPolicyIssuer = 245;
        const RECT line = testkit::placeInDialog(testkit::shownDialog("Confirmation"), kPolicyIssuer);
        const auto clicked = testkit::run({"xdotool", "mousemove", "--window", window, std::to_string(line.left + 19),
                                           std::to_string((line.top + line.bottom) / 2), "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
        // The viewer stands over the confirmation it was opened from.
        const std::string viewer = testkit::findWindow("Signature policy");
        ASSERT_FALSE(viewer.empty()) << "no viewer came";
        const auto transient = testkit::run({"xprop", "-id", viewer, "WM_TRANSIENT_FOR"});
        const auto hex = transient.out.find("# 0x");
        ASSERT_NE(std::string::npos, hex) << transient.out << transient.err;
        EXPECT_EQ(std::stoul(window), std::stoul(transient.out.substr(hex + 2), nullptr, 16)) << transient.out;
        user.answer("Signature policy", "Return", {"mirelo-policy-from-confirmation",
                                                        {"Policy Identification - Electronic signature policy",
                                                         "Application of Policy - Test signatures"}});
        user.answer("Confirmation", "alt+n",
                    {"mirelo-container-confirmation",
                     {"/data/smlouva.txt", "Valid",
                      "C=CZ, O=Kancelář veřejného ochránce práv, OU=Odbor ochrany práv dětí a osob se zdravotním "
                      "postižením, CN=\"Ing. Mgr. Bohuslava Příhodová-Šťastná, Ph.D.\", SERIALNUMBER=ICA - "
                      "10471386, E=bohuslava.prihodova-stastna@example.cz"}});
    });
    EXPECT_EQ(IDNO, TSignEncKydDlg(signer, actions, documents, kConfirmSign, 0, 0, "Valid", "Mirelo").Show(nullptr));
    clicker.get();
    EXPECT_EQ(0, signer.GetLastErrorNumber()) << "the viewer ended by OK";
}

// The first shot of the window that differs from `before`; `before` itself
// when nothing changed. GTK hides the focus a few seconds after the last
// key, so the shot is taken as soon as it shows.
std::filesystem::path changedShot(const testkit::Xvfb& screen, const std::string& name, const std::string& window,
                                  const std::filesystem::path& before) {
    try {
        return screen.screenshotShowing(name, window, [&](const auto& shot, const testkit::ScreenRegion& whole) {
            return testkit::differentPixels(before, shot, whole) > 0 ? "" : "nothing changed";
        });
    } catch (const std::runtime_error&) {
        return before;
    }
}

// A shot of the window once it stays as it is (a ticked box and the
// pointer leaving it change it for a while).
std::filesystem::path settledShot(const testkit::Xvfb& screen, const std::string& name, const std::string& window) {
    const auto last = screen.screenshot(name + "-before");
    const auto still = [&](const auto& shot, const testkit::ScreenRegion& whole) {
        const bool same = testkit::differentPixels(last, shot, whole) == 0;
        std::filesystem::copy_file(shot, last, std::filesystem::copy_options::overwrite_existing);
        return same ? "" : "it still changes";
    };
    std::filesystem::path settled;
    EXPECT_NO_THROW(settled = screen.screenshotShowing(name, window, still));
    return settled;
}

void pressTab(const std::string& window) {
    const auto pressed = testkit::run({"xdotool", "windowfocus", "--sync", window, "key", "Tab"});
    EXPECT_EQ(0, pressed.exitCode) << pressed.err;
}

// From the content's box, ticked, Tab visits the document's path, the MIME
// and document buttons, the certificate's chooser, the policy's box and
// its line, Yes (both agreements are ticked) and No, each showing it has
// the focus, and comes back by the content's box to the path; no other
// static text takes the focus.
TEST(SigningDialogsOnScreen, EveryTabStopOfTheContainerConfirmationShowsTheFocus) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto policy = root.write("policy.der", std::string(der.begin(), der.end()));
    testkit::ScreenUser user(std::chrono::seconds(120));
    TSignerKyd signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(policy))) << signer.GetLastErrorStr();
    NoActions actions;
    std::vector<SignJobDocument> documents{{"/data/smlouva.txt", {'S', 'm', 'l', 'o', 'u', 'v', 'a'}}};
    auto walker = std::async(std::launch::async, [&] {
        const std::string window = testkit::findWindow("Confirmation");
        ASSERT_FALSE(window.empty()) << "no confirmation came";
        const auto shown = user.screen().screenshotShowing("mirelo-tab-walk", window,
                                                           {"I agree with the content of the signing document"});
        const auto whole = testkit::windowRegion(window);
        constexpr int kContentAgreement = 246;
        constexpr int kPath = 247;
        const HWND dialog = testkit::shownDialog("Confirmation");
        const RECT box = testkit::placeInDialog(dialog, kContentAgreement);
        const RECT path = testkit::placeInDialog(dialog, kPath);
        // The path with the ring the focus draws around it.
        const auto pathRing = whole.part(path.left - 4, path.top - 4, path.right - path.left + 8,
                                         path.bottom - path.top + 8);
        const auto clicked = testkit::run({"xdotool", "mousemove", "--window", window, std::to_string(box.left + 6),
                                           std::to_string((box.top + box.bottom) / 2), "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
        testkit::pointerTo("", 1270, 1010);
        changedShot(user.screen(), "mirelo-tab-walk-ticking", window, shown);
        auto previous = settledShot(user.screen(), "mirelo-tab-walk-ticked", window);
        pressTab(window);
        const auto first = changedShot(user.screen(), "mirelo-tab-walk-0", window, previous);
        previous = first;
        constexpr int kStops = 9;
        for (int stop = 1; stop <= kStops; ++stop) {
            pressTab(window);
            const auto shot = changedShot(user.screen(), "mirelo-tab-walk-" + std::to_string(stop), window, previous);
            if (testkit::differentPixels(previous, shot, whole) == 0) {
                ADD_FAILURE() << "Tab " << stop << " shows no focus: " << shot;
                break;
            }
            previous = shot;
        }
        // The ring may be fading in or out in either shot.
        constexpr int kFuzz = 25;
        EXPECT_EQ(0, testkit::differentPixels(first, previous, pathRing, kFuzz))
            << kStops << " Tabs do not come back to the path: " << previous;
        user.answer("Confirmation", "alt+n", {"", {"I agree with the content of the signing document"}});
    });
    EXPECT_EQ(IDNO, TSignEncKydDlg(signer, actions, documents, kConfirmSign, 0, 0, "Valid", "Mirelo").Show(nullptr));
    walker.get();
}

}  // namespace
