// The locale of each thread, which registration code switches around its
// work and restores afterwards.
#include <optional>

#include "locale_tables.h"
#include "platform/boundary.h"
#include "win32/datetime.h"

using namespace platform;

namespace {

thread_local std::optional<LCID> threadLocale;

bool standsForDefault(LCID lcid) {
    return lcid == LOCALE_SYSTEM_DEFAULT || lcid == LOCALE_USER_DEFAULT || lcid == 0;
}

}  // namespace

LCID GetThreadLocale() noexcept { return threadLocale.value_or(GetUserDefaultLCID()); }

BOOL SetThreadLocale(LCID Locale) noexcept {
    return winBool([&] {
        // Throws ERROR_INVALID_PARAMETER for a locale that is not supported.
        const LCID supported = locale::localeFor(Locale).lcid;
        threadLocale = standsForDefault(Locale) ? supported : Locale;
        return true;
    });
}
