#include "page_sync_appendix.h"

#include <sstream>

#include "halvex/app_data.h"
#include "halvex/page_fragments.h"
#include "halvex/page_names.h"
#include "halvex/resource_strings.h"
#include "platform/text.h"

namespace halvex {
namespace {

using platform::text::toUtf8;

constexpr UINT kSendFailedNote = 33178;

// Adds the page's hiding class to the element's classes (once) or takes
// it away; false when there is no such element.
bool ShowItem(platform::ui::HtmlView& view, const std::string& id, bool hide) {
    const std::optional<std::string> current = view.className(id);
    if (!current) return false;
    const std::string hidden = toUtf8(pages::kHiddenClass);
    std::string classes;
    std::istringstream words(*current);
    for (std::string word; words >> word;)
        if (word != hidden) classes += (classes.empty() ? "" : " ") + word;
    if (hide) classes += (classes.empty() ? "" : " ") + hidden;
    return view.setClassName(id, classes);
}

// The caption of the request's type, its alternative one for a renewal.
std::u16string TypeCaption(const TCertRequest& first) {
    const RequestType* type = TAppData::Instance().FindRequestType(first.kind);
    if (!type) return {};
    const UINT id = (first.kind & kKindRenewal) && type->secondTitleId ? type->secondTitleId : type->titleId;
    return id ? LoadResString(id) : std::u16string();
}

// A loaded file's text: UTF-8 when it is that, else the ANSI code page.
std::u16string LoadedText(const std::string& bytes) {
    return platform::text::isValidUtf8(bytes) ? platform::text::fromUtf8(bytes) : platform::text::toWide(bytes);
}

}  // namespace

bool SyncAppendix(platform::ui::HtmlView& view, const TCertRequest& first, const RequestOutcome& outcome) {
    bool ok = true;
    // The type's line shows only with a caption to show.
    if (const std::u16string caption = TypeCaption(first); !caption.empty()) {
        ok &= view.setInnerHtml("RA_REQ_CERTTYPE", toUtf8(pages::EscapeHtml(caption)));
        ok &= ShowItem(view, "REQ_CERTTYPE_B", false);
    }
    if (outcome.sendState == SendState::Sent) {
        ok &= ShowItem(view, "SUMMARY_SEND_COMMAND", true);
        ok &= ShowItem(view, "REQ_SEND_B", false);
        ok &= view.setInnerHtml("REQ_NOTE_SEND", toUtf8(pages::AppendixSentNote(outcome.requestNumber)));
    } else if (outcome.sendState == SendState::Failed) {
        ok &= view.setInnerHtml("SUMMARY_SEND_COMMAND", toUtf8(pages::AppendixResendCommand()));
        ok &= ShowItem(view, "SUMMARY_SEND_COMMAND", false);
        ok &= ShowItem(view, "REQ_SEND_B", false);
        ok &= view.setInnerHtml("REQ_NOTE_SEND", toUtf8(LoadResString(kSendFailedNote)));
        ok &= view.setInnerHtml("REQ_NOTE_SEND_ERROR", toUtf8(pages::AppendixSendError(outcome.requestNumber)));
    }
    if (outcome.saved) {
        ok &= ShowItem(view, "REQ_SAVE_B", false);
        ok &= view.setInnerHtml("REQ_FNAME", toUtf8(pages::EscapeHtml(outcome.savedFile)));
    }
    return ok;
}

bool SyncRequestField(platform::ui::HtmlView& view, const RequestOutcome& outcome) {
    return view.setInnerHtml("RA_REQUEST", toUtf8(pages::RequestReviewText(LoadedText(outcome.loadedBody))));
}

}  // namespace halvex
