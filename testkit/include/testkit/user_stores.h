// Certificates put into the current user's system stores ("Root", "CA",
// "MY" ...), as tests prepare them before the code under test looks there.
#pragma once

#include "testkit/pki.h"
#include "win32/crypt_store.h"

namespace testkit {

// Adds the context with its properties (a key container binding travels
// with it), replacing an equal certificate; std::runtime_error when the
// store cannot be opened or take it.
void addToUserStore(const char16_t* store, PCCERT_CONTEXT certificate);
// The same for a certificate without properties.
void addToUserStore(const char16_t* store, const pki::Certificate& certificate);

}  // namespace testkit
