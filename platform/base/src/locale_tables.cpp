#include "locale_tables.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/win_error.h"
#include "win32/datetime.h"

namespace platform::locale {

namespace {

constexpr std::array<std::u16string_view, 12> kRomanMonths = {u"I",   u"II",   u"III", u"IV", u"V",  u"VI",
                                                              u"VII", u"VIII", u"IX",  u"X",  u"XI", u"XII"};
constexpr std::array<std::u16string_view, 12> kEnglishMonths = {u"January",   u"February", u"March",    u"April",
                                                                u"May",       u"June",     u"July",     u"August",
                                                                u"September", u"October",  u"November", u"December"};
constexpr std::array<std::u16string_view, 12> kEnglishAbbreviatedMonths = {
    u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr std::array<std::u16string_view, 7> kEnglishDays = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                             u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<std::u16string_view, 7> kEnglishAbbreviatedDays = {u"Sun", u"Mon", u"Tue", u"Wed",
                                                                        u"Thu", u"Fri", u"Sat"};

const LocaleData kCzech{
    LOCALE_CS_CZ,
    u"d.M.yyyy",
    u"d. MMMM yyyy",
    u"H:mm:ss",
    {u"leden", u"únor", u"březen", u"duben", u"květen", u"červen", u"červenec", u"srpen", u"září", u"říjen",
     u"listopad", u"prosinec"},
    {u"ledna", u"února", u"března", u"dubna", u"května", u"června", u"července", u"srpna", u"září", u"října",
     u"listopadu", u"prosince"},
    kRomanMonths,
    {u"neděle", u"pondělí", u"úterý", u"středa", u"čtvrtek", u"pátek", u"sobota"},
    {u"ne", u"po", u"út", u"st", u"čt", u"pá", u"so"},
    u"dop.",
    u"odp.",
};

const LocaleData kSlovak{
    LOCALE_SK_SK,
    u"d. M. yyyy",
    u"d. MMMM yyyy",
    u"H:mm:ss",
    {u"január", u"február", u"marec", u"apríl", u"máj", u"jún", u"júl", u"august", u"september", u"október",
     u"november", u"december"},
    {u"januára", u"februára", u"marca", u"apríla", u"mája", u"júna", u"júla", u"augusta", u"septembra", u"októbra",
     u"novembra", u"decembra"},
    kRomanMonths,
    {u"nedeľa", u"pondelok", u"utorok", u"streda", u"štvrtok", u"piatok", u"sobota"},
    {u"ne", u"po", u"ut", u"st", u"št", u"pi", u"so"},
    u"AM",
    u"PM",
};

const LocaleData kEnglish{
    LOCALE_EN_US,
    u"M/d/yyyy",
    u"dddd, MMMM d, yyyy",
    u"h:mm:ss tt",
    kEnglishMonths,
    kEnglishMonths,
    kEnglishAbbreviatedMonths,
    kEnglishDays,
    kEnglishAbbreviatedDays,
    u"AM",
    u"PM",
};

const LocaleData kInvariant{
    LOCALE_INVARIANT,          u"MM/dd/yyyy", u"dddd, dd MMMM yyyy",   u"HH:mm:ss", kEnglishMonths, kEnglishMonths,
    kEnglishAbbreviatedMonths, kEnglishDays,  kEnglishAbbreviatedDays, u"AM",       u"PM",
};

const LocaleData* byName(const char* value) {
    if (!value || !*value) return nullptr;
    std::string prefix = std::string(value).substr(0, 2);
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (prefix == "cs") return &kCzech;
    if (prefix == "sk") return &kSlovak;
    if (prefix == "en") return &kEnglish;
    return nullptr;
}

const char* effectiveTimeLocale() {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return nullptr;
}

}  // namespace

const LocaleData& userLocale() {
    if (const LocaleData* chosen = byName(std::getenv("PLATFORM_LOCALE"))) return *chosen;
    if (const LocaleData* chosen = byName(effectiveTimeLocale())) return *chosen;
    return kCzech;
}

const LocaleData& localeFor(LCID lcid) {
    const LANGID language = LOWORD(lcid);
    switch (language) {
        case 0:
        case LOWORD(LOCALE_USER_DEFAULT):
        case LOWORD(LOCALE_SYSTEM_DEFAULT): return userLocale();
        case LOWORD(LOCALE_CS_CZ): return kCzech;
        case LOWORD(LOCALE_SK_SK): return kSlovak;
        case LOWORD(LOCALE_EN_US): return kEnglish;
        case LOWORD(LOCALE_INVARIANT): return kInvariant;
        default: throw WinError(ERROR_INVALID_PARAMETER, "unsupported locale");
    }
}

}  // namespace platform::locale
