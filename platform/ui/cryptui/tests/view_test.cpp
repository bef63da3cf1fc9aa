// The view: fields, decoded extensions and the certification path with its
// verdict, the actions the flags leave, and what those actions do.
#include <string>

#include "certificate_names.h"
#include "script_dialogs.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace script = platform::ui::script;

namespace {

CRYPTUI_VIEWCERTIFICATE_STRUCTW viewOf(PCCERT_CONTEXT certificate, DWORD flags = 0) {
    CRYPTUI_VIEWCERTIFICATE_STRUCTW view{};
    view.dwSize = sizeof view;
    view.dwFlags = flags;
    view.pCertContext = certificate;
    return view;
}

std::u16string friendlyNameOf(PCCERT_CONTEXT certificate) {
    WCHAR name[64] = {};
    DWORD size = sizeof name;
    if (!CertGetCertificateContextProperty(certificate, CERT_FRIENDLY_NAME_PROP_ID, name, &size)) return {};
    return name;
}

}  // namespace

TEST_F(ScriptDialogs, ViewShowsFieldsExtensionsAndAnUntrustedPathAndSetsTheFriendlyName) {
    PCCERT_CONTEXT certificate = contextOf(pki().untrusted);
    HCERTSTORE issuers = memoryStoreWith({&pki().untrustedRoot});
    auto view = viewOf(certificate);
    view.cStores = 1;
    view.rghStores = &issuers;
    script::queue("ViewCertificate", "Name=Podpis");
    BOOL changed = FALSE;

    ASSERT_TRUE(viewW(&view, &changed));
    const std::string line = shown();
    for (const std::string& expected : {
             "ViewCertificate: Certifikát [Obecné] Vystaveno pro: " + subjectName(pki().untrusted),
             std::string("[Podrobnosti] Verze: V3 | Sériové číslo: ") + serialText(pki().untrusted),
             std::string("Algoritmus podpisu: sha256RSA"),
             std::string("Použití klíče (kritické): Digitální podpis, Šifrování klíče (a0)"),
             std::string("Rozšířené použití klíče: Client Authentication (1.3.6.1.5.5.7.3.2)"),
             "[Cesta k certifikátu] " + subjectName(pki().untrustedRoot) + ": Kořenový certifikát",
             std::string("[Stav] Kořenový certifikát certifikační autority není důvěryhodný"),
             std::string("[Akce] Name, MY, AddressBook, CA, Root"),
         })
        EXPECT_NE(std::string::npos, line.find(expected)) << expected << "\n in " << line;
    EXPECT_TRUE(changed);
    EXPECT_EQ(u"Podpis", friendlyNameOf(certificate));
    CertCloseStore(issuers, 0);
    CertFreeCertificateContext(certificate);
}

TEST_F(ScriptDialogs, ViewOfATrustedPathListsItFromTheRootAndInstallsIntoTheChosenStore) {
    HCERTSTORE root = userStore("Root");
    HCERTSTORE ca = userStore("CA");
    add(root, pki().root);
    add(ca, pki().qualifiedCa);
    PCCERT_CONTEXT certificate = contextOf(pki().qualified);
    auto view = viewOf(certificate);
    script::queue("ViewCertificate", "AddressBook");

    ASSERT_TRUE(viewW(&view, nullptr));
    const std::string line = shown();
    const std::string path = "[Cesta k certifikátu] " + subjectName(pki().root) + ": Tento certifikát je v pořádku. | " +
                             subjectName(pki().qualifiedCa) + ": Tento certifikát je v pořádku. | " +
                             subjectName(pki().qualified) + ": Tento certifikát je v pořádku. [Stav] Tento certifikát je v pořádku.";
    EXPECT_NE(std::string::npos, line.find(path)) << line;
    HCERTSTORE addressBook = userStore("AddressBook");
    EXPECT_EQ(1u, countOf(addressBook));
    for (HCERTSTORE store : {root, ca, addressBook}) CertCloseStore(store, 0);
    CertFreeCertificateContext(certificate);
}

TEST_F(ScriptDialogs, ViewFlagsHideThePathAndRefuseTheActions) {
    PCCERT_CONTEXT certificate = contextOf(pki().commercial);
    const auto view = viewOf(certificate, CRYPTUI_HIDE_HIERARCHYPAGE | CRYPTUI_DISABLE_EDITPROPERTIES |
                                              CRYPTUI_DISABLE_ADDTOSTORE);
    std::string refused;
    script::onUnanswered([&](const std::string& problem) {
        refused = problem;
        return IDOK;
    });
    script::queue("ViewCertificate", "Name=Podpis");
    script::queue("ViewCertificate", "Root");

    BOOL changed = TRUE;
    ASSERT_TRUE(viewW(&view, &changed));
    EXPECT_NE(std::string::npos, refused.find("cannot have")) << refused;
    refused.clear();
    ASSERT_TRUE(viewW(&view, &changed));
    EXPECT_NE(std::string::npos, refused.find("cannot have")) << refused;

    const std::string line = platform::ui::script::transcript().back();
    EXPECT_EQ(std::string::npos, line.find("[Cesta k certifikátu]")) << line;
    EXPECT_EQ(line.size() - std::string(" [Akce] ").size(), line.rfind(" [Akce] ")) << line;
    EXPECT_FALSE(changed);
    EXPECT_EQ(u"", friendlyNameOf(certificate));
    HCERTSTORE root = userStore("Root");
    EXPECT_EQ(0u, countOf(root));
    CertCloseStore(root, 0);
    CertFreeCertificateContext(certificate);
}
