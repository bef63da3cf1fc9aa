// The certificate manager over the user's stores: what each tab lists, and
// a removal that happens only when the user says yes.
#include <string>

#include "certificate_names.h"
#include "script_dialogs.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace script = platform::ui::script;

TEST_F(ScriptDialogs, ManagerListsTheUserStoresAndRemovesOnlyAfterYes) {
    HCERTSTORE my = userStore("MY");
    HCERTSTORE root = userStore("Root");
    add(my, pki().qualified);
    add(my, pki().commercial);
    add(root, pki().root);
    script::queue("CertificateManager", "Remove:MY:1");
    script::queue("MessageBox", "IDNO");
    script::queue("CertificateManager", "Remove:MY:1");
    script::queue("MessageBox", "IDYES");
    script::queue("CertificateManager", "IDOK");
    CRYPTUI_CERT_MGR_STRUCT manager{sizeof manager, nullptr, 0, nullptr, nullptr};

    ASSERT_TRUE(startCertMgr(&manager));
    const auto lines = script::transcript();
    ASSERT_EQ(5u, lines.size());
    const std::string qualified = subjectName(pki().qualified), commercial = subjectName(pki().commercial);
    EXPECT_EQ(0u, lines[0].find("CertificateManager: Certifikáty [MY] [0] " + qualified + " | ")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("[1] " + commercial + " | ")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("[AddressBook] [CA] [Root] [0] " + subjectName(pki().root)))
        << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("[REQUEST]")) << lines[0];
    EXPECT_EQ(lines[0], lines[2]);  // refused: still listed
    EXPECT_EQ(0u, lines[1].find("MessageBox: Certifikáty: ")) << lines[1];
    EXPECT_EQ(std::string::npos, lines[4].find(commercial)) << lines[4];
    EXPECT_NE(std::string::npos, lines[4].find("[MY] [0] " + qualified)) << lines[4];

    HCERTSTORE reopened = userStore("MY");
    ASSERT_EQ(1u, countOf(reopened));
    for (HCERTSTORE store : {my, root, reopened}) CertCloseStore(store, 0);
}

TEST_F(ScriptDialogs, ManagerRefusesReservedFlags) {
    CRYPTUI_CERT_MGR_STRUCT manager{sizeof manager, nullptr, 1, nullptr, nullptr};
    EXPECT_FALSE(startCertMgr(&manager));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_TRUE(script::transcript().empty());
}
