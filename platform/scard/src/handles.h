// SCARDCONTEXT and SCARDHANDLE values are entries of our own tables that
// hold pcsc-lite's handles: a stale or forged value is SCARD_E_INVALID_HANDLE.
#pragma once

#include "lite.h"
#include "platform/handle_table.h"
#include "win32/scard.h"

namespace platform::scard {

struct Context {
    lite::Handle lite;
};
struct Card {
    lite::Handle lite;
};

HandleTable<Context>& contexts();
HandleTable<Card>& cards();

// The card database accepts a null context (no resource manager needed);
// any other value must be a live context.
void requireContextOrNull(SCARDCONTEXT hContext);

}  // namespace platform::scard
