#include "messages.h"

#include <array>

namespace tornil {

namespace {

constexpr int kLanguages = 3;

// Czech, Slovak, English for each message in turn.
constexpr std::array<const char16_t*, 12 * kLanguages> kTexts{
    u"",
    u"",
    u"",
    u"Aktualizace",
    u"Aktualizácia",
    u"Update",
    u"Aktualizace aplikace",
    u"Aktualizácia aplikácie",
    u"Application update",
    u"Aktualizace se nezdařila",
    u"Aktualizácia zlyhala",
    u"Update failed",
    u"Odstraňují se původní soubory",
    u"Odstraňovanie pôvodných súborov",
    u"Removing old files",
    u"Kopírují se nové soubory",
    u"Kopírovanie nových súborov",
    u"Copying new files",
    u"Aktualizace úspěšně dokončena",
    u"Aktualizácia úspešne ukončená",
    u"Update successfully finished",
    u"Čekání na ukončení klientské aplikace",
    u"Čakanie na ukončenie klientskej aplikácie",
    u"Waiting for close of client application",
    u"Aktualizace se nezdařila, návrat k původní verzi úspěšně proveden.",
    u"Aktualizácia zlyhala, návrat k pôvodnej verzii úspešne vykonaný.",
    u"Update failed. Rollback to previous version succesfully done.",
    u"Aktualizace a návrat k původní verzi se nezdařil.",
    u"Aktualizácie a návrat k pôvodnej verzii sa nepodaril.",
    u"Update and rollback to previous version failed.",
    u"Aktualizace selhala, spouštím proces pro obnovu původní verze.",
    u"Aktualizácia zlyhala, spúšťam proces pre obnovu pôvodnej verzie.",
    u"Update failed, starting recovery process.",
    u"Aktualizace selhala, obnovuji původní verzi aplikace.",
    u"Aktualizácia zlyhala, obnovujem pôvodnú verziu aplikácie.",
    u"Update failed, rollback to previous version started.",
};

}  // namespace

std::u16string messageText(int language, int message) {
    if (language < 0 || language >= kLanguages || message < 0) return u":-(";
    const auto index = static_cast<std::size_t>(language + kLanguages * message);
    return index < kTexts.size() ? kTexts[index] : u":-(";
}

}  // namespace tornil
