// The program's one window: the wizard's view, the enrolment object and
// the signer it owns, the three requests of the wizard, the start-up
// checks, the frame commands (Back, Home, Refresh, Exit) and the way out.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "busy_window.h"
#include "command_ids.h"
#include "halvex/mirelo_signer.h"
#include "halvex/request_model.h"
#include "halvex_view.h"
#include "pentak_object.h"
#include "renewal_choice.h"
#include "request_sending.h"
#include "win32/types.h"

namespace halvex {

class MainFrame {
public:
    explicit MainFrame(const std::u16string& title);
    // Releases the signer (its plug-ins unloaded) and then the enrolment
    // object; never throws.
    ~MainFrame();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // The start-up checks; each failure is shown and begins the exit.
    // True when the wizard's home page is shown.
    bool OnInitApp(const std::u16string& commandLine);
    // Resets the three requests and shows the home page.
    void OnUserInitApp();
    // Logs "Exiting app" and closes the window when the loop comes round.
    void ExitApp();
    bool Exiting() const noexcept { return m_exiting; }

    // Back, Home, Refresh, Exit, About (modal); Help opens the topic of the
    // page shown.
    void OnCommand(int id);
    void OnURL_App(const std::string& action);
    // The help topic of the key (a help link's key or a page's "/name");
    // nothing for an empty key.
    void OnURL_Help(const std::u16string& key);

    // The renewal road from the home page to the data page: the request
    // kind from "URL_REQ_<type>" (only "RQC" goes on), the certificate page
    // with the user's certificates, a certificate shown, the page's choice
    // changed, a saved request's file picked, and the chosen certificate
    // checked and taken over into the requests before the data page.
    void OnURL_RequestType(const std::u16string& suffix);
    void GoSelCertRenew();
    void OnURL_ShowRenewCert(const std::u16string& action);
    void OnURL_OnChangeRenewCert(const std::u16string& index);
    void OnURL_ShowFileDialog();
    void OnURL_GetRenewCert();
    // The providers prepared, then the data page (the error page without a
    // renewal kind).
    void GoDataRenew();
    const RenewalChoice& Choice() const noexcept { return m_choice; }

    // Until the window is closed (gtk); the script's page actions while
    // they come (script). A WM_CLOSE posted to Window() ends it, one posted
    // before it began included.
    void RunMessageLoop();
    // The close: the busy window hidden and its thread asked to end,
    // waited for at most busyWaitMs. False when it did not end in time.
    bool OnClose(DWORD busyWaitMs = kBusyCloseWaitMs);

    BusyWindow& Busy() { return m_busy; }
    HWND Window() const noexcept { return m_window; }

    // The data page's check: names, fields and providers, then the keys and
    // requests and the summary page; any failure keeps the data page.
    void OnURL_DataCheck();
    // The providers offered for the request and its pair's (4031 when none)
    // and each request's own provider found among them (4027 otherwise).
    bool PrepareCSP();
    bool SelectRequestProvider(TCertRequest& request);
    // A request's identifier, key usage and provider (algorithm, length).
    bool CheckRequest(const TCertRequest& request);
    // A request for each request of the kind, then the summary page; on a
    // failure every key generated on the way is offered for deletion.
    void GoSummary();
    // The request pane's text: the kind's caption and the key set.
    std::u16string GetRequestStatusText() const;
    // Whether an authentication certificate is requested too (request 3).
    void SetAuthenticationToo(bool withAuthentication) { m_choice.authenticationToo = withAuthentication; }

    const std::u16string& Title() const noexcept { return m_title; }
    HalvexView& View() { return *m_view; }
    TCertRequest& Request(std::size_t index) { return m_requests.at(index); }
    const RequestOutcome& Outcome() const { return m_outbox->Outcome(); }

private:
    void OnPageCommand(const CommandCall& call);
    bool FillSummary();
    // The commercial certificate on the lawyer card of the qualified one;
    // false when the user was told why there is none or cancelled.
    bool FindLawyerCommercial(const CertInfo& qualified, CertInfo& commercial);
    // Requests 1 to 3 built from the chosen certificates.
    void TakeOverChosenCertificates(const CertInfo& qualified, const CertInfo& commercial);
    // Ends the loop once the current message is handled.
    void EndLoop();

    std::u16string m_title;
    PentakObject m_pentak;
    Mirelo m_signer;
    std::array<TCertRequest, 3> m_requests;
    RenewalChoice m_choice;
    std::unique_ptr<HalvexView> m_view;
    std::unique_ptr<RequestOutbox> m_outbox;
    HWND m_window = nullptr;  // the program's window as other threads see it
    BusyWindow m_busy;
    bool m_exiting = false;
    bool m_looping = false;
};

}  // namespace halvex
