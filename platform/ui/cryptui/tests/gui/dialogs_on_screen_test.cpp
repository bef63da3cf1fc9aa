// The three dialogs as real GTK windows, bound from libcryptui.so and
// answered by key presses: Down and Enter choose the second certificate,
// Enter closes the view, Escape closes the manager.
#include "../../../tests/gui/on_screen.h"
#include "../dialogs_fixture.h"

class DialogsOnScreen : public DialogsOn<on_screen::OnScreen> {};

TEST_F(DialogsOnScreen, SelectionViewAndManagerAnswerTheKeyboard) {
    HCERTSTORE store = memoryStoreWith({&pki().qualified, &pki().commercial});
    CRYPTUI_SELECTCERTIFICATE_STRUCTW select{};
    select.dwSize = sizeof select;
    select.szTitle = u"Výběr certifikátu";
    select.cDisplayStores = 1;
    select.rghDisplayStores = &store;
    PCCERT_CONTEXT chosen =
        answered("Výběr certifikátu", "Down Return", [&] { return selectW(&select); },
                 {"cryptui-selection", {"Tesk Qualified User", "Tesk Qualified CA", "Tesk Commercial User"}});
    ASSERT_NE(nullptr, chosen);
    EXPECT_EQ(pki().commercial.certificate.der(),
              testkit::Bytes(chosen->pbCertEncoded, chosen->pbCertEncoded + chosen->cbCertEncoded));

    HCERTSTORE root = userStore("Root");
    add(root, pki().root);
    CRYPTUI_VIEWCERTIFICATE_STRUCTW view{};
    view.dwSize = sizeof view;
    view.pCertContext = chosen;
    view.cStores = 1;
    view.rghStores = &store;
    EXPECT_TRUE(answered("Certifikát", "Return", [&] { return viewW(&view, nullptr); },
                         {"cryptui-view", {"Tesk Commercial User", "Tesk Standard CA"}}));

    HCERTSTORE my = userStore("MY");
    add(my, pki().qualified);
    CRYPTUI_CERT_MGR_STRUCT manager{sizeof manager, nullptr, 0, nullptr, nullptr};
    EXPECT_TRUE(answered("Certifikáty", "Escape", [&] { return startCertMgr(&manager); },
                         {"cryptui-manager", {"Tesk Qualified User", "Tesk Qualified CA"}}));

    CertFreeCertificateContext(chosen);
    for (HCERTSTORE opened : {store, root, my}) CertCloseStore(opened, 0);
}
