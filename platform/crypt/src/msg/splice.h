// One element inside a DER encoding replaced by another: every byte outside
// it stays as it is, and the elements that hold it get their lengths anew.
#pragma once

#include "der/der.h"

namespace platform::crypt::msg {

// `target` is a view of a whole element inside `outer`.
der::Bytes replaceNested(der::View outer, der::View target, der::View replacement);

}  // namespace platform::crypt::msg
