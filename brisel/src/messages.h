// Brisel's user texts in its three languages.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisel {

// The host's language numbers.
enum class Language : std::uint32_t { Czech = 0, Slovak = 1, English = 2 };
inline constexpr std::uint32_t kLanguageCount = 3;

// The texts by number.
enum class Message : int {
    About = 0,
    CheckingSemantics = 1,
    Transforming = 2,
    Print = 3,
    ZoomOut = 4,
    ZoomIn = 5,
    ActualSize = 6,
    Close = 7,
    PreviewTitle = 8,
};

// The text of a message in a language, UTF-8.
std::string_view messageText(Message message, Language language);

}  // namespace brisel
