// Filling the pages that end the wizard: the appendix (the request's type,
// what became of sending and saving it, the link that sends again) and the
// review of a request loaded from a file. Texts from outside (server
// replies, transport errors, file names and contents) enter as text only.
#pragma once

#include "halvex/request_model.h"
#include "platform/html_view.h"
#include "request_outcome.h"

namespace halvex {

// The same in both directions: nothing on the page is read back.
bool SyncAppendix(platform::ui::HtmlView& view, const TCertRequest& first, const RequestOutcome& outcome);

bool SyncRequestField(platform::ui::HtmlView& view, const RequestOutcome& outcome);

}  // namespace halvex
