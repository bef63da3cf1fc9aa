#include "card_names.h"

namespace platform::crypt::provider {

CardContainerName parseCardContainerName(std::u16string_view name) {
    constexpr std::u16string_view prefix = u"\\\\.\\";
    if (name.substr(0, prefix.size()) != prefix) return {std::nullopt, std::u16string(name)};
    const std::u16string_view rest = name.substr(prefix.size());
    const auto slash = rest.find(u'\\');
    if (slash == std::u16string_view::npos) return {std::u16string(rest), u""};
    return {std::u16string(rest.substr(0, slash)), std::u16string(rest.substr(slash + 1))};
}

}  // namespace platform::crypt::provider
