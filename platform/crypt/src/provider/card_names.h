// Container names of card providers: "\\.\<reader>\<container>",
// "\\.\<reader>\" (the reader alone) or just "<container>".
#pragma once

#include <optional>
#include <string>

namespace platform::crypt::provider {

struct CardContainerName {
    std::optional<std::u16string> reader;
    std::u16string container;  // empty: none named
};

CardContainerName parseCardContainerName(std::u16string_view name);

}  // namespace platform::crypt::provider
