// The preview window of a plain-text document: the text read-only in a
// zoomable view, with Print, Zoom Out, Zoom In, Actual Size and Close.
#pragma once

#include <span>

#include "messages.h"

namespace brisel {

// Shows the document (UTF-8, the whole of it) modally in the language's
// texts. False, with no window, for an empty document, one that is not
// UTF-8, or when the window cannot be made.
bool showPreview(std::span<const unsigned char> document, Language language);

}  // namespace brisel
