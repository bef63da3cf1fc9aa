#include "messages.h"

#include <array>

namespace brisel {
namespace {

// One row per message, in the order of its number: Czech, Slovak, English.
using Texts = std::array<std::string_view, kLanguageCount>;
constexpr std::array<Texts, 9> kTexts = {{
    {"Plugin provádí analýzu, transformaci a zobrazení souborů TXT",
     "Plugin vykonáva analýzu, transformáciu a zobrazenie súborov TXT",
     "Plugin performs analysis, transformation and display of TXT files"},
    {"Probíhá kontrola sémantiky dokumentu...", "Prebieha kontrola sémantiky dokumentu...",
     "Checking document semantics..."},
    {"Probíhá transformace dokumentu...", "Prebieha transformácia dokumentu...",
     "Ongoing transformation of the document..."},
    {"&Tisk...", "&Tlač...", "&Print..."},
    {"Z&menšit", "Z&menšiť", "Zoom &Out"},
    {"Z&většit", "Z&väčšiť", "Zoom &In"},
    {"&Skutečná velikost", "&Skutočná veľkosť", "&Actual Size"},
    {"&Zavřít", "&Zatvoriť", "&Close"},
    {"Náhled dokumentu", "Náhľad dokumentu", "Document Preview"},
}};

}  // namespace

std::string_view messageText(Message message, Language language) {
    const auto row = static_cast<std::size_t>(message);
    const auto column = static_cast<std::size_t>(language);
    if (row >= kTexts.size() || column >= kLanguageCount)
        return {};
    return kTexts[row][column];
}

}  // namespace brisel
