// Each kind of window of the area, answered by key presses on screen.
#include "on_screen.h"

using on_screen::OnScreen;

TEST_F(OnScreen, MessageBoxEscapeCancelsAndTheMnemonicPressesNo) {
    constexpr UINT kStyle = MB_YESNOCANCEL | MB_ICONWARNING;
    EXPECT_EQ(IDCANCEL, answered("Tesk", "Escape", [&] {
        return MessageBoxW(nullptr, u"Opravdu chcete pokračovat?", u"Tesk", kStyle);
    }, {"ui-message-box-yesnocancel", {"Opravdu chcete pokračovat?", "Ano", "Ne", "Storno"}}));
    EXPECT_EQ(IDNO, answered("Tesk znovu", "alt+n", [&] {
        return MessageBoxW(nullptr, u"Smazat podpis ze souboru?", u"Tesk znovu", kStyle | MB_DEFBUTTON1);
    }, {"", {"Smazat podpis ze souboru?"}}));
}

// The PIN prompt of card providers: typed digits and Enter give the PIN,
// Escape cancels.
TEST_F(OnScreen, PinPromptTypedDigitsAreThePinAndEscapeCancels) {
    const platform::ui::PinRequest request{"Zintra CSP", "Reader 0"};
    const auto ask = [&] { return platform::ui::backend().askPin(request); };
    EXPECT_EQ(std::optional<std::string>("042"), answered("Zintra CSP", "0 4 2 Return", ask,
                                                                {"ui-pin-prompt", {"Zadejte PIN karty ve čtečce Reader 0:"}}));
    EXPECT_EQ(std::nullopt, answered("Zintra CSP", "Escape", ask, {"", {"Zadejte PIN"}}));
}

// The login dialog: the name, Tab, the password and Enter are given;
// Escape cancels.
TEST_F(OnScreen, LoginDialogGivesWhatWasTypedAndEscapeCancels) {
    const platform::ui::CredentialsRequest request{"tsa.example", "Tesk TSA", false};
    const auto ask = [&] { return platform::ui::backend().askCredentials(request); };
    const auto given =
        answered("Přihlášení k tsa.example", "a l i c e Tab s 3 c r e t Return", ask,
                 {"ui-login-dialog", {"Server tsa.example vyžaduje uživatelské jméno a heslo.", "Oblast: Tesk TSA",
                                      "Uživatelské jméno:", "Heslo:"}});
    ASSERT_TRUE(given.has_value());
    EXPECT_EQ("alice", given->user);
    EXPECT_EQ("s3cret", given->password);
    EXPECT_EQ(std::nullopt, answered("Přihlášení k tsa.example", "Escape", ask, {"", {"Uživatelské jméno:"}}));
}

// The certificate list starts on its first row: Down and Enter choose the
// second; Escape cancels.
TEST_F(OnScreen, CertificateListDownAndEnterChooseTheSecondRowAndEscapeCancels) {
    const platform::ui::CertificateChoiceRequest request{
        "Ověření klienta",
        "Server tsa.example požaduje identifikaci. Vyberte certifikát, kterým se prokážete.",
        {"Vystaveno pro", "Vystavitel", "Platnost do", "Zamýšlené účely"},
        {{"Alice Nováková", "Tesk Standard CA", "31.12.2030", "Ověření klienta"},
         {"Bob Kovář", "Tesk Qualified CA", "1.6.2029", "<Všechny>"}}};
    const auto ask = [&] { return platform::ui::backend().chooseCertificate(request); };
    EXPECT_EQ(std::optional<std::size_t>(1),
              answered("Ověření klienta", "Down Return", ask,
                       {"ui-certificate-choice", {"Vystaveno pro", "Alice Nováková", "Tesk Standard CA", "Bob Kovář",
                                                  "Tesk Qualified CA"}}));
    EXPECT_EQ(std::nullopt, answered("Ověření klienta", "Escape", ask, {"", {"Alice Nováková"}}));
}

// The file chooser opens in the caller's folder: the typed name and Enter
// choose the file there; Escape cancels. With no other window of the
// program up, GTK finds nothing to complain of on the terminal.
TEST_F(OnScreen, FileChooserTypedNameChoosesTheFileInTheFolderAndEscapeCancels) {
    testkit::PlatformRoot root;
    const auto file = root.write("obnova.req", "x");
    on_screen::StderrKept stderrKept(root.path() / "stderr");
    platform::ui::OpenFileRequest request{"Načíst žádost", root.path().string(), {{"Žádost (*.req)", "*.req"}}};
    request.fileMustExist = true;
    const auto ask = [&] { return platform::ui::backend().openFile(request); };
    EXPECT_EQ(std::optional<std::string>(file.string()),
              answered("Načíst žádost", "ctrl+l o b n o v a period r e q Return", ask,
                       {"ui-file-chooser", {"obnova.req", "Storno"}}));
    EXPECT_EQ(std::nullopt, answered("Načíst žádost", "Escape", ask, {"", {"obnova.req"}}));
    EXPECT_EQ(std::vector<std::string>{}, stderrKept.gtkComplaints());
}
