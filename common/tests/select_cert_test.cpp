// The choice of a certificate: which certificates the selection dialog
// offers under each filter (and that the count agrees), the dialog skipped
// for a lone certificate, preselection, cancel, the purpose labels, the
// error numbers, and the view and the manager, through libcryptui.so with
// the script backend.
#include "common/select_cert_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <regex>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "cms_verify_support.h"
#include "common/cert_manager.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "common/resource.h"
#include "testkit/scoped_env.h"
#include "platform/ui.h"
#include "win32/crypt_types.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
namespace script = platform::ui::script;
using certificate_support::infoOf;
using certificate_support::userIssuedBy;
using certificate_support::userStore;

constexpr WORD kAnyUsage = 0xFFFF;

struct SelectionCertificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    // The certification authority's own certificates carry its extension.
    pki::Credential ownQualified = userIssuedBy(pki.qualifiedCa, "Tesk Own Qualified")
                                       .key(pki::Key::rsa(2048, "qualified"))
                                       .keyUsage(pki::kNonRepudiation)
                                       .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                                       .authorityExtension("12345")
                                       .build();
    pki::Credential ownCommercial = userIssuedBy(pki.standardCa, "Tesk Own Commercial")
                                        .key(pki::Key::rsa(2048, "commercial"))
                                        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
                                        .authorityExtension("12346")
                                        .build();
    pki::Credential revoked = userIssuedBy(pki.standardCa, "Tesk Revoked User")
                                  .key(pki::Key::rsa(2048, "commercial"))
                                  .keyUsage(pki::kDigitalSignature)
                                  .build();
    pki::Credential decipher = userIssuedBy(pki.standardCa, "Tesk Decipher User")
                                   .key(pki::Key::rsa(2048, "commercial"))
                                   .keyUsage(pki::kKeyAgreement | pki::kDecipherOnly)
                                   .build();
};

const SelectionCertificates& selectionCerts() {
    static const SelectionCertificates made;
    return made;
}

// A store certificate with a key in the provider's container (none: no key).
void add(HCERTSTORE store, const pki::Credential& credential, const char16_t* provider = nullptr) {
    certificate_support::addCertificate(store, credential.certificate, provider);
}

void setFriendlyName(PCCERT_CONTEXT context, const std::u16string& name) {
    CRYPT_DATA_BLOB blob{static_cast<DWORD>((name.size() + 1) * sizeof(char16_t)),
                         reinterpret_cast<BYTE*>(const_cast<char16_t*>(name.c_str()))};
    ASSERT_TRUE(CertSetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
}

std::u16string friendlyNameOf(PCCERT_CONTEXT context) {
    char16_t name[128] = {};
    DWORD size = sizeof name;
    if (!CertGetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, name, &size)) return {};
    return name;
}

// The store's context of the credential's certificate.
OwnedCertContext find(HCERTSTORE store, const pki::Credential& credential) {
    const certificate_support::Context wanted = certificate_support::contextOf(credential.certificate);
    return OwnedCertContext(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT,
                                                       wanted->pCertInfo, nullptr));
}

std::vector<std::string> questions() { return script::transcript(); }

// The first column ("Issued to") of every row of the selection the dialog
// showed, and the row it showed selected.
struct Offered {
    std::vector<std::string> names;
    std::string selected;
};

Offered offered() {
    Offered out;
    const auto asked = questions();
    if (asked.size() != 1 || asked[0].rfind("SelectCertificate:", 0) != 0) return out;
    static const std::regex row(R"( \[\d+\](\*?) ([^|]+?) \|)");
    for (std::sregex_iterator it(asked[0].begin(), asked[0].end(), row), end; it != end; ++it) {
        out.names.push_back((*it)[2]);
        if ((*it)[1].length()) out.selected = (*it)[2];
    }
    return out;
}

class SelectCertTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetScript();
        TResource::Instance()->SetLanguage(2);
        TLogStrVect::Instance()->SetMask(0xFF);
    }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        TResource::ReleaseInstance();
        TLogStrVect::ReleaseInstance();
    }

    // No answers, no questions; a question nobody expects fails the test.
    static void resetScript() {
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
    }

    // The selection over every kind of certificate the filter tells apart;
    // the two qualified ones and the commercial one with keys in card
    // providers (the first two offered for secure-device selections, the
    // second not), the own commercial one with a software key.
    OwnedCertStore everyKind() const {
        OwnedCertStore made(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
        add(made.get(), c.pki.qualified, u"KavloCSP");
        add(made.get(), c.ownQualified, u"Tesk Dravik CSP v1.0");
        add(made.get(), c.pki.commercial, u"Zintra CSP");
        add(made.get(), c.ownCommercial, u"Microsoft Enhanced Cryptographic Provider v1.0");
        for (const auto* keyless : {&c.pki.tsa, &c.pki.expired, &c.pki.untrusted, &c.revoked, &c.decipher})
            add(made.get(), *keyless);
        return made;
    }

    testkit::PlatformRoot root;  // first: making the certificates uses the emulated machine
    const SelectionCertificates& c = selectionCerts();
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
    TSelectCertDlg dialog;
    CertSelectDlgParams params{nullptr, "Signing", "Choose your signing certificate"};
};

}  // namespace

namespace {

const std::string Q = "Tesk Qualified User", OQ = "Tesk Own Qualified", C = "Tesk Commercial User",
                  OC = "Tesk Own Commercial", T = "Tesk Time Stamping", E = "Tesk Expired User",
                  U = "Tesk Untrusted User", R = "Tesk Revoked User", D = "Tesk Decipher User";
const std::vector<std::string> kEveryKind{Q, OQ, C, OC, T, E, U, R, D};

std::vector<std::string> allBut(std::initializer_list<std::string> left) {
    std::vector<std::string> rest;
    for (const auto& name : kEveryKind)
        if (std::find(left.begin(), left.end(), name) == left.end()) rest.push_back(name);
    return rest;
}

struct Row {
    const char* what;
    CertSelectFilter filter;
    std::vector<std::string> admitted;  // in store order
};

}  // namespace

TEST_F(SelectCertTest, DialogOffersExactlyWhatTheFilterAdmitsAndTheCountAgrees) {
    verify_support::installHierarchy(c.pki, c.revoked.certificate);
    const OwnedCertStore store = everyKind();
    const std::string qualifiedCa = infoOf(c.pki.qualifiedCa.certificate).subjectDn;
    const Row rows[] = {
        {"any usage", {.keyUsage = kAnyUsage}, kEveryKind},
        {"no usage", {.keyUsage = 0}, {}},
        {"non-repudiation", {.keyUsage = pki::kNonRepudiation}, {Q, OQ, T}},
        {"digital signature", {.keyUsage = pki::kDigitalSignature}, {C, OC, T, E, U, R}},
        {"key encipherment", {.keyUsage = pki::kKeyEncipherment}, {C, OC, E, U}},
        {"decipher only", {.keyUsage = pki::kDecipherOnly}, {D}},
        {"with a key", {.requireKeyProvider = 1, .keyUsage = kAnyUsage}, {Q, OQ, C, OC}},
        {"issuer", {.keyUsage = kAnyUsage, .issuerDn = qualifiedCa}, {Q, OQ, T}},
        {"login, restriction 0", {.keyUsage = kAnyUsage, .purpose = 1, .restriction = 0}, allBut({OQ})},
        {"login, restriction 4", {.keyUsage = kAnyUsage, .purpose = 1, .restriction = 4}, allBut({OQ})},
        {"login, restriction 1", {.keyUsage = kAnyUsage, .purpose = 1, .restriction = 1}, allBut({OC})},
        {"login, restriction 2", {.keyUsage = kAnyUsage, .purpose = 1, .restriction = 2}, kEveryKind},
        {"signing, restriction 0", {.keyUsage = kAnyUsage, .purpose = 0, .restriction = 0}, kEveryKind},
        {"valid now", {.keyUsage = kAnyUsage, .selectionFlags = sgCertValid}, allBut({E})},
        {"chain", {.keyUsage = kAnyUsage, .selectionFlags = sgCertChainValid}, allBut({E, U})},
        {"flag 4 alone", {.keyUsage = kAnyUsage, .selectionFlags = 4}, allBut({E})},
        {"chain unrevoked", {.keyUsage = kAnyUsage, .selectionFlags = sgCertChainCrlValid}, allBut({E, U, R})},
        {"qualified", {.keyUsage = kAnyUsage, .selectionFlags = sgCertQualifiedOnly}, {Q, OQ}},
        {"secure device", {.keyUsage = kAnyUsage, .selectionFlags = sgCertSSCDOnly}, {Q}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        resetScript();
        CertInfo counted;
        EXPECT_EQ(row.admitted.size(), CountMatchingCertificates(store.get(), row.filter, counted));
        if (!row.admitted.empty()) {
            EXPECT_EQ(row.admitted.back(), counted.subjectSimpleName);
            script::queue("SelectCertificate", "0");
        }
        CertInfo chosen;
        const DWORD result = dialog.SelectFromStore(store.get(), params, row.filter, chosen, true);
        EXPECT_EQ(row.admitted, offered().names);
        if (row.admitted.empty()) {
            EXPECT_EQ(kErrSelectNoCertificate, result);
            EXPECT_TRUE(questions().empty());
        } else {
            EXPECT_EQ(0u, result);
            EXPECT_EQ(row.admitted.front(), chosen.subjectSimpleName);
        }
    }
    const auto logged = [](const pki::Credential& credential, const std::string& why) {
        return verify_support::loggedLineWith("SelectCertificateFilterProc(): " +
                                              infoOf(credential.certificate).subjectDn + " " + why);
    };
    EXPECT_NE("", logged(c.pki.tsa, "no CERT_KEY_PROV_INFO_PROP_ID"));
    EXPECT_NE("", logged(c.decipher, "key_usage not match"));
    EXPECT_NE("", logged(c.pki.commercial, "issuer's dn not match"));
}

TEST_F(SelectCertTest, PreselectedSubjectIsSelectedFirstAndCancelChangesNothing) {
    const OwnedCertStore store = everyKind();
    const CertSelectFilter filter{.keyUsage = kAnyUsage,
                                  .preselectSubjectDn = infoOf(c.pki.tsa.certificate).subjectDn};
    CertInfo out = infoOf(c.pki.commercial.certificate);
    script::queue("SelectCertificate", "IDCANCEL");

    EXPECT_EQ(kErrSelectCancelled, dialog.SelectFromStore(store.get(), params, filter, out, false));
    EXPECT_EQ(T, offered().selected);
    ASSERT_EQ(1u, questions().size());
    // Intended purposes, location and (the label repeating the name) the
    // friendly name are left out.
    EXPECT_EQ(0u, questions()[0].find("SelectCertificate: Signing: Choose your signing certificate: "
                                      "(Vystaveno pro | Vystavitel | Datum vypršení platnosti) [0] "))
        << questions()[0];
    EXPECT_EQ(infoOf(c.pki.commercial.certificate).serialHex, out.serialHex);
}

TEST_F(SelectCertTest, ListsAndStoresWithNothingToChooseAskNothing) {
    CertInfo out = infoOf(c.pki.commercial.certificate);
    const CertSelectFilter any{.keyUsage = kAnyUsage};
    EXPECT_EQ(kErrNoContainerCertificate, dialog.SelectFromList(params, any, {}, out, true));
    EXPECT_EQ(kErrSelectSystemStore, dialog.SelectFromSystemStore(params, any, out, true, u"No Such Store"));
    EXPECT_EQ(kErrSelectNoCertificate, dialog.SelectFromSystemStore(params, any, out, true, u"MY"));
    EXPECT_TRUE(questions().empty());
    EXPECT_EQ(infoOf(c.pki.commercial.certificate).serialHex, out.serialHex);

    script::queue("SelectCertificate", "1");
    const std::vector<CertInfo> list{infoOf(c.pki.commercial.certificate), infoOf(c.pki.qualified.certificate)};
    EXPECT_EQ(0u, dialog.SelectFromList(params, any, list, out, false));
    EXPECT_EQ((std::vector{C, Q}), offered().names);
    EXPECT_EQ(Q, out.subjectSimpleName);
}

TEST_F(SelectCertTest, WithoutCryptUiALoneCertificateIsStillTakenAndNoDialogShows) {
    const ScopedEnv noModules{"PLATFORM_MODULE_PATH", ""};
    const OwnedCertStore store = everyKind();
    const CertSelectFilter lone{.keyUsage = pki::kDecipherOnly};
    CertInfo out;
    out.label = "kept";

    EXPECT_EQ(0u, dialog.SelectFromStore(store.get(), params, lone, out, false));
    EXPECT_EQ(D, out.subjectSimpleName);
    EXPECT_EQ("kept", out.label);
    EXPECT_EQ(kErrSelectNoDialog, dialog.SelectFromStore(store.get(), params, lone, out, true));
    EXPECT_EQ(kErrSelectNoDialog, dialog.SelectFromStore(store.get(), params, {.keyUsage = kAnyUsage}, out, false));
    EXPECT_EQ(D, out.subjectSimpleName);

    EXPECT_EQ(0u, dialog.ViewCertInfo(nullptr, infoOf(c.pki.commercial.certificate)));
    EXPECT_FALSE(TCryptoapi::ViewCertificate(nullptr, find(store.get(), c.pki.commercial).get()));
    EXPECT_EQ(0u, dialog.StartCertMgr(nullptr));
}

TEST_F(SelectCertTest, PurposeLabelsNameTheAuthoritysOwnCertificatesInThisProcessOnly) {
    const OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    for (const auto* credential : {&c.ownQualified, &c.ownCommercial, &c.pki.commercial}) add(store.get(), *credential);
    setFriendlyName(find(store.get(), c.pki.commercial).get(), u"Mine");
    const auto names = [&] {
        std::vector<std::u16string> out;
        for (const auto* credential : {&c.ownQualified, &c.ownCommercial, &c.pki.commercial})
            out.push_back(friendlyNameOf(find(store.get(), *credential).get()));
        return out;
    };
    CertInfo out;

    script::queue("SelectCertificate", "0");
    EXPECT_EQ(0u, dialog.SelectFromStore(store.get(), params, {.keyUsage = kAnyUsage, .setLabel = 1}, out, false));
    EXPECT_EQ((std::vector<std::u16string>{u"Tesk Own Qualified, signature", u"Tesk Own Commercial, authentication",
                                           u"Mine"}),
              names());
    script::queue("SelectCertificate", "0");
    const CertSelectFilter login{.keyUsage = kAnyUsage, .purpose = kSelectPurposeLogin, .setLabel = 1, .restriction = 2};
    EXPECT_EQ(0u, dialog.SelectFromStore(store.get(), params, login, out, false));
    EXPECT_EQ((std::vector<std::u16string>{u"Tesk Own Qualified, signature", u"Tesk Own Commercial, login to RUR",
                                           u"Mine"}),
              names());

    // The user's own name in "MY" outlives the label the dialog showed.
    add(userStore(u"MY").get(), c.ownQualified);
    setFriendlyName(find(userStore(u"MY").get(), c.ownQualified).get(), u"Můj podpis");
    const OwnedCertStore my = userStore(u"MY");
    const OwnedCertContext shown = find(my.get(), c.ownQualified);
    CertSelectFilter labelling{.keyUsage = kAnyUsage, .setLabel = 1};
    EXPECT_TRUE(SelectCertificateFilterProc(shown.get(), nullptr, &labelling));
    EXPECT_EQ(u"Tesk Own Qualified, signature", friendlyNameOf(shown.get()));
    EXPECT_EQ(u"Můj podpis", friendlyNameOf(find(userStore(u"MY").get(), c.ownQualified).get()));
}

TEST_F(SelectCertTest, ViewShowsTheCertificateForLookingOnlyAndTheManagerStarts) {
    script::queue("ViewCertificate", "IDOK");
    EXPECT_EQ(1u, dialog.ViewCertInfo(nullptr, infoOf(c.pki.commercial.certificate)));
    EXPECT_EQ(0u, dialog.ViewCertInfo(nullptr, CertInfo{}));
    script::queue("CertificateManager", "IDOK");
    EXPECT_EQ(1u, dialog.StartCertMgr(nullptr));

    const auto asked = questions();
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(0u, asked[0].find("ViewCertificate: ")) << asked[0];
    EXPECT_NE(std::string::npos, asked[0].find(C)) << asked[0];
    EXPECT_EQ(std::string::npos, asked[0].find("[Cesta k certifikátu]")) << asked[0];  // no certification path
    EXPECT_TRUE(asked[0].ends_with("[Akce] ")) << asked[0];  // neither renaming nor adding to a store
    EXPECT_EQ(0u, asked[1].find("CertificateManager: ")) << asked[1];
}
