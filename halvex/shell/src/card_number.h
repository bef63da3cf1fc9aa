// The number of the card that holds a certificate's key, read through the
// enrolment object for the card providers that carry one.
#pragma once

#include <optional>
#include <string>

struct IPentak;

namespace halvex {

// Whether the provider (its exact name) keeps its keys on a card whose
// number the enrolment object can read.
bool IsCardNumberProvider(const std::u16string& providerName);

// The card number the enrolment object reads for the provider; nothing on
// failure, with the object's description of it (or its status as text) in
// *error.
std::optional<std::u16string> ReadCardNumber(IPentak* pentak, const std::u16string& providerName,
                                             std::u16string* error);

}  // namespace halvex
