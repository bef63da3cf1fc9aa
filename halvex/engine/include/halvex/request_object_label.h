// The label of a request object: its kind and when it was made.
#pragma once

#include <string>

namespace halvex {

// "PARVEL" for a key pair, else "Objekt"; a pair that is not native gets
// "QD" (first key) or "SD" (second key); then the local time as
// " DD/MM/YYYY HH:MM:SS". At most 63 characters.
std::u16string RequestObjectLabel(bool pair, bool native, bool secondKey);

}  // namespace halvex
