// Request headers as HttpAddRequestHeadersA and HttpSendRequestA take them.
#pragma once

#include "transfer.h"
#include "win32/types.h"

namespace platform::inet {

// "Name: value" lines separated by CR, LF or both (length 0xFFFFFFFF: up
// to the NUL); empty lines are skipped. ERROR_HTTP_INVALID_HEADER for a
// line without a valid name or with control characters.
HeaderList parseHeaderLines(const char* text, DWORD length);

// Adds the lines to the list by the HTTP_ADDREQ_FLAG_* modifiers; all or nothing.
void addHeaders(HeaderList& list, const HeaderList& lines, DWORD modifiers);

}  // namespace platform::inet
