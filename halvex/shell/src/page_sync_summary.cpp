// The summary page: each request made, the rows of the pair's and the
// authentication certificate's requests shown only when those exist, and
// the applicant's declarations.
#include "halvex/page_fragments.h"
#include "halvex/page_names.h"
#include "halvex/resource_strings.h"
#include "main_frame.h"
#include "platform/text.h"
#include "request_key_params.h"

namespace halvex {
namespace {

constexpr UINT kAgreementSecureDevice = 33172;

// Adds or removes the page's hiding class, leaving the others.
void ShowItem(platform::ui::HtmlView& view, const std::string& id, bool show) {
    const std::string hidden = platform::text::toUtf8(pages::kHiddenClass);
    std::string classes = view.className(id).value_or("");
    const std::size_t at = classes.find(hidden);
    if (show && at != std::string::npos) {
        classes.erase(at, hidden.size());
        while (!classes.empty() && classes.back() == ' ') classes.pop_back();
    } else if (!show && at == std::string::npos) {
        classes += classes.empty() ? hidden : " " + hidden;
    } else {
        return;
    }
    view.setClassName(id, classes);
}

}  // namespace

bool MainFrame::FillSummary() {
    using platform::text::toUtf8;
    platform::ui::HtmlView& view = m_view->Html();
    const bool pair = IsPairKind(m_requests[0].kind);
    ShowItem(view, "RA_REQUEST_SC_ROW", pair);
    ShowItem(view, "RA_REQUEST_ASC_ROW", m_choice.authenticationToo);
    bool filled = view.setInnerHtml("RA_REQUEST_QC", toUtf8(pages::SummaryRequestText(m_requests[0].requestText)));
    if (pair) filled &= view.setInnerHtml("RA_REQUEST_SC", toUtf8(pages::SummaryRequestText(m_requests[1].requestText)));
    if (m_choice.authenticationToo)
        filled &= view.setInnerHtml("RA_REQUEST_ASC", toUtf8(pages::SummaryRequestText(m_requests[2].requestText)));
    filled &= view.setInnerHtml("RA_REQ_AGREEMENT_SSCD", toUtf8(LoadResString(kAgreementSecureDevice)));
    filled &= view.setInnerHtml("RA_REQ_AGREEMENT_PAPERS", toUtf8(pages::SummaryAgreementPapers(m_requests[0])));
    return filled;
}

}  // namespace halvex
