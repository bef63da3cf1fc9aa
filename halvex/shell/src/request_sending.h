// The wizard's last steps: the requests of the summary signed, then sent
// to the renewal server or saved into a ".req" file, a saved request
// loaded and sent unchanged; every road ends on the appendix, which tells
// what became of the request.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "halvex/request_model.h"
#include "busy_window.h"
#include "halvex_view.h"
#include "request_outcome.h"

struct IPentak;

namespace halvex {

class Mirelo;

class RequestOutbox {
public:
    // What the outbox works with, all owned by the frame.
    struct Parts {
        std::array<TCertRequest, 3>& requests;  // the main, the paired and the authentication request
        Mirelo& signer;
        std::function<IPentak*()> pentak;
        HalvexView& view;
        BusyWindow& busy;
    };

    explicit RequestOutbox(Parts parts) : m_parts(parts) {}

    // Forgets the request's signed parts and what became of it.
    void Reset() { m_outcome = RequestOutcome(); }

    // Signs the main request's document into a container with its
    // certificate, the paired request's document and the authentication
    // request's (with the main certificate) as PKCS#7; then saves (save
    // true) or sends. A failure is shown and the summary stays.
    void OnURL_SignRenewCert(bool save);
    // Posts the body to the renewal server and shows the appendix with the
    // request number, or with the reason and the link that sends again.
    void OnURL_RequestSend();
    // Asks where to save the body and writes it; the appendix follows.
    void OnURL_RequestSave();
    // Reads the file named on the request page and shows it for review.
    void OnURL_LoadRequest();

    // Fills the appendix or the review page; false for another page.
    bool SyncPage(const std::string& page, bool toPage);

    const RequestOutcome& Outcome() const noexcept { return m_outcome; }
    // The request file saved or picked last, kept over Home: the open
    // dialog starts in its folder.
    std::u16string& LastRequestFile() noexcept { return m_lastRequestFile; }

private:
    bool IsPair() const;
    bool HasAuthenticationRequest() const;
    bool SignAll();
    // The body as sent and saved; empty when there is nothing to send.
    std::string Body() const;
    bool CreateRequestFile();

    Parts m_parts;
    RequestOutcome m_outcome;
    std::u16string m_lastRequestFile;
};

}  // namespace halvex
