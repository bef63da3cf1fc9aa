// Date and time texts of cs-CZ, sk-SK and en-US, the picture language, the
// choice of the user's locale and the buffer rules.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "fixed_clock.h"
#include "platform/text.h"
#include <testkit/scoped_env.h>
#include "win32/datetime.h"
#include "win32/error.h"


namespace {

// Sunday 7 March 2021, 14:05:09
SYSTEMTIME sample() {
    SYSTEMTIME t{};
    t.wYear = 2021;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 14;
    t.wMinute = 5;
    t.wSecond = 9;
    return t;
}

std::string utf8(const std::u16string& s) { return platform::text::toUtf8(s); }

std::string date(LCID lcid, DWORD flags, const char16_t* picture = nullptr, const SYSTEMTIME& t = sample()) {
    char16_t buffer[128] = {};
    const int n = GetDateFormatW(lcid, flags, &t, picture, buffer, 128);
    return n > 0 ? utf8(std::u16string(buffer, n - 1)) : "<failed " + std::to_string(GetLastError()) + ">";
}

std::string time(LCID lcid, DWORD flags, const char16_t* picture = nullptr) {
    const SYSTEMTIME t = sample();
    char16_t buffer[128] = {};
    const int n = GetTimeFormatW(lcid, flags, &t, picture, buffer, 128);
    return n > 0 ? utf8(std::u16string(buffer, n - 1)) : "<failed " + std::to_string(GetLastError()) + ">";
}

}  // namespace

TEST(LocaleDates, DefaultFormatsOfTheThreeLocales) {
    EXPECT_EQ("7.3.2021", date(LOCALE_CS_CZ, DATE_SHORTDATE));
    EXPECT_EQ("7. března 2021", date(LOCALE_CS_CZ, DATE_LONGDATE));
    EXPECT_EQ("14:05:09", time(LOCALE_CS_CZ, 0));

    EXPECT_EQ("7. 3. 2021", date(LOCALE_SK_SK, DATE_SHORTDATE));
    EXPECT_EQ("7. marca 2021", date(LOCALE_SK_SK, DATE_LONGDATE));
    EXPECT_EQ("14:05:09", time(LOCALE_SK_SK, 0));

    EXPECT_EQ("3/7/2021", date(LOCALE_EN_US, DATE_SHORTDATE));
    EXPECT_EQ("Sunday, March 7, 2021", date(LOCALE_EN_US, DATE_LONGDATE));
    EXPECT_EQ("2:05:09 PM", time(LOCALE_EN_US, 0));
    EXPECT_EQ("3/7/2021", date(LOCALE_EN_US, 0));  // short is the default
}

TEST(LocaleDates, PicturesNamesAndQuotes) {
    EXPECT_EQ("neděle 07.03.21", date(LOCALE_CS_CZ, 0, u"dddd dd.MM.yy"));
    EXPECT_EQ("březen 2021", date(LOCALE_CS_CZ, 0, u"MMMM yyyy"));  // no day number: nominative
    EXPECT_EQ("ne III 1", date(LOCALE_CS_CZ, 0, u"ddd MMM y"));
    EXPECT_EQ("nedeľa, 7. marca", date(LOCALE_SK_SK, 0, u"dddd, d. MMMM"));
    EXPECT_EQ("Sun Mar 07", date(LOCALE_EN_US, 0, u"ddd MMM dd"));
    EXPECT_EQ("day 7 of 'March' h", date(LOCALE_EN_US, 0, u"'day' d 'of ''March''' h"));
    EXPECT_EQ("14h05 PM P", time(LOCALE_EN_US, 0, u"HH'h'mm tt t"));
    EXPECT_EQ("odp. 2", time(LOCALE_CS_CZ, 0, u"tt h"));
}

TEST(LocaleDates, TimeFlagsDropFieldsWithTheirSeparators) {
    EXPECT_EQ("2:05 PM", time(LOCALE_EN_US, TIME_NOSECONDS));
    EXPECT_EQ("2 PM", time(LOCALE_EN_US, TIME_NOMINUTESORSECONDS));
    EXPECT_EQ("2:05:09", time(LOCALE_EN_US, TIME_NOTIMEMARKER));
    EXPECT_EQ("14:05:09 PM", time(LOCALE_EN_US, TIME_FORCE24HOURFORMAT));
    EXPECT_EQ("14:05", time(LOCALE_CS_CZ, TIME_NOSECONDS));
}

TEST(LocaleDates, UserLocaleFollowsTheEnvironment) {
    ScopedEnv platformLocale("PLATFORM_LOCALE", std::nullopt);
    ScopedEnv all("LC_ALL", std::nullopt);
    ScopedEnv lcTime("LC_TIME", std::nullopt);
    ScopedEnv lang("LANG", std::nullopt);
    EXPECT_EQ(LOCALE_CS_CZ, GetUserDefaultLCID());
    {
        ScopedEnv english("LANG", "en_US.UTF-8");
        EXPECT_EQ(LOCALE_EN_US, GetUserDefaultLCID());
        EXPECT_EQ("3/7/2021", date(LOCALE_USER_DEFAULT, DATE_SHORTDATE));
        ScopedEnv slovakTime("LC_TIME", "sk_SK.UTF-8");
        EXPECT_EQ(LOCALE_SK_SK, GetUserDefaultLCID());
        ScopedEnv plainC("LC_ALL", "C");
        EXPECT_EQ(LOCALE_CS_CZ, GetUserDefaultLCID());
        ScopedEnv chosen("PLATFORM_LOCALE", "en-US");
        EXPECT_EQ(LOCALE_EN_US, GetUserDefaultLCID());
        EXPECT_EQ(0x0409, GetUserDefaultLangID());
    }
}

TEST(LocaleDates, ThreadLocaleIsEachThreadsOwn) {
    ScopedEnv chosen("PLATFORM_LOCALE", "sk-SK");
    std::thread([] {
        EXPECT_EQ(LOCALE_SK_SK, GetThreadLocale());
        ASSERT_TRUE(SetThreadLocale(LOCALE_EN_US));
        EXPECT_EQ(LOCALE_EN_US, GetThreadLocale());
        SetLastError(0);
        EXPECT_FALSE(SetThreadLocale(0x0407));  // de-DE is not supported
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        EXPECT_EQ(LOCALE_EN_US, GetThreadLocale());
    }).join();
    EXPECT_EQ(LOCALE_SK_SK, GetThreadLocale());  // another thread's setting stays there
    std::thread([] {
        ASSERT_TRUE(SetThreadLocale(LOCALE_SYSTEM_DEFAULT));
        EXPECT_EQ(LOCALE_SK_SK, GetThreadLocale());
    }).join();
}

TEST(LocaleDates, NarrowFormsGiveAnsiText) {
    SYSTEMTIME t = sample();
    t.wMonth = 9;
    char buffer[32] = {};
    ASSERT_EQ(5, GetDateFormatA(LOCALE_CS_CZ, 0, &t, "MMMM", buffer, 32));
    EXPECT_EQ(std::string("z\xE1\xF8\xED"), buffer);  // "září" in Windows-1250
}

TEST(LocaleDates, SizeQueryShortBufferAndBadArguments) {
    const SYSTEMTIME t = sample();
    EXPECT_EQ(15, GetDateFormatW(LOCALE_CS_CZ, DATE_LONGDATE, &t, nullptr, nullptr, 0));
    char16_t small[4];
    SetLastError(0);
    EXPECT_EQ(0, GetDateFormatW(LOCALE_CS_CZ, DATE_LONGDATE, &t, nullptr, small, 4));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

    EXPECT_EQ("<failed 1004>", date(LOCALE_CS_CZ, DATE_SHORTDATE | DATE_LONGDATE));
    EXPECT_EQ("<failed 1004>", date(LOCALE_CS_CZ, DATE_LONGDATE, u"d"));
    EXPECT_EQ("<failed 87>", date(0x0407, DATE_SHORTDATE));
    SYSTEMTIME bad = sample();
    bad.wDay = 31;
    bad.wMonth = 4;
    EXPECT_EQ("<failed 87>", date(LOCALE_CS_CZ, 0, nullptr, bad));
}

TEST(LocaleDates, NoDateMeansLocalNow) {
    ScopedEnv tz("TZ", "Europe/Prague");
    FixedClock clock(132595959090000000ull);  // 2021-03-07 13:05:09 UTC
    char16_t buffer[64] = {};
    ASSERT_GT(GetTimeFormatW(LOCALE_CS_CZ, 0, nullptr, nullptr, buffer, 64), 0);
    EXPECT_EQ(u"14:05:09", std::u16string(buffer));
    ASSERT_GT(GetDateFormatW(LOCALE_CS_CZ, 0, nullptr, nullptr, buffer, 64), 0);
    EXPECT_EQ(u"7.3.2021", std::u16string(buffer));
}
