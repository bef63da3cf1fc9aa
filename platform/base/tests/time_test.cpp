// FILETIME, SYSTEMTIME, OLE and DOS dates at known instants, local time in
// Prague in both seasons, and the clock that tests can fix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fixed_clock.h"
#include <testkit/scoped_env.h>
#include "win32/datetime.h"
#include "win32/error.h"


namespace {

constexpr ULONGLONG kY2000 = 125911584000000000ull;  // 2000-01-01 00:00 UTC
constexpr ULONGLONG kHour = 36000000000ull;

FILETIME ft(ULONGLONG ticks) { return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }
ULONGLONG ticks(const FILETIME& f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; }

SYSTEMTIME st(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME t{};
    t.wYear = y;
    t.wMonth = mo;
    t.wDay = d;
    t.wHour = h;
    t.wMinute = mi;
    t.wSecond = s;
    t.wMilliseconds = ms;
    return t;
}

void expectTime(const SYSTEMTIME& t, WORD y, WORD mo, WORD d, WORD dow, WORD h, WORD mi, WORD s, WORD ms = 0) {
    EXPECT_EQ(y, t.wYear);
    EXPECT_EQ(mo, t.wMonth);
    EXPECT_EQ(d, t.wDay);
    EXPECT_EQ(dow, t.wDayOfWeek);
    EXPECT_EQ(h, t.wHour);
    EXPECT_EQ(mi, t.wMinute);
    EXPECT_EQ(s, t.wSecond);
    EXPECT_EQ(ms, t.wMilliseconds);
}

}  // namespace

TEST(FileTime, KnownInstantsConvertBothWays) {
    SYSTEMTIME t{};
    const FILETIME epoch = ft(0);
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &t));
    expectTime(t, 1601, 1, 1, 1, 0, 0, 0);  // a Monday

    const FILETIME y2000 = ft(kY2000 + 12345678);
    ASSERT_TRUE(FileTimeToSystemTime(&y2000, &t));
    expectTime(t, 2000, 1, 1, 6, 0, 0, 1, 234);

    FILETIME back{};
    const SYSTEMTIME leap = st(2024, 2, 29, 23, 59, 59, 999);
    ASSERT_TRUE(SystemTimeToFileTime(&leap, &back));
    ASSERT_TRUE(FileTimeToSystemTime(&back, &t));
    expectTime(t, 2024, 2, 29, 4, 23, 59, 59, 999);
}

TEST(FileTime, RefusesImpossibleValues) {
    FILETIME out{};
    for (const SYSTEMTIME& bad :
         {st(2023, 2, 29), st(2000, 13, 1), st(1600, 12, 31), st(2000, 1, 1, 24), st(2000, 1, 1, 0, 0, 0, 1000)}) {
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&bad, &out));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    }
    SYSTEMTIME t{};
    const FILETIME signBit = ft(0x8000000000000000ull);
    EXPECT_FALSE(FileTimeToSystemTime(&signBit, &t));
    EXPECT_FALSE(FileTimeToSystemTime(nullptr, &t));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(FileTime, CompareOrdersByValue) {
    const FILETIME a = ft(5), b = ft(0x100000000ull);
    EXPECT_EQ(-1, CompareFileTime(&a, &b));
    EXPECT_EQ(1, CompareFileTime(&b, &a));
    EXPECT_EQ(0, CompareFileTime(&a, &a));
}

TEST(OleDate, KnownDatesAndTheNegativeFractionRule) {
    DATE d = 0;
    SYSTEMTIME t = st(2000, 1, 1);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &d));
    EXPECT_DOUBLE_EQ(36526.0, d);
    t = st(2000, 1, 1, 18, 0, 0, 999);  // milliseconds are dropped
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &d));
    EXPECT_DOUBLE_EQ(36526.75, d);
    t = st(1899, 12, 30);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &d));
    EXPECT_DOUBLE_EQ(0.0, d);
    t = st(1899, 12, 29, 6, 0, 0);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &d));
    EXPECT_DOUBLE_EQ(-1.25, d);

    ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &t));
    expectTime(t, 1899, 12, 29, 5, 6, 0, 0);
    ASSERT_TRUE(VariantTimeToSystemTime(-2.5, &t));
    expectTime(t, 1899, 12, 28, 4, 12, 0, 0);
    ASSERT_TRUE(VariantTimeToSystemTime(36526.5, &t));
    expectTime(t, 2000, 1, 1, 6, 12, 0, 0);
    ASSERT_TRUE(VariantTimeToSystemTime(36526.0 + 86399.6 / 86400.0, &t));  // rounds up into the next day
    expectTime(t, 2000, 1, 2, 0, 0, 0, 0);
}

TEST(OleDate, RefusesDatesOutsideItsRange) {
    SYSTEMTIME t = st(99, 12, 31);
    DATE d = 0;
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &d));
    t = st(2000, 2, 30);
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &d));
    EXPECT_FALSE(VariantTimeToSystemTime(3000000.0, &t));
    EXPECT_FALSE(VariantTimeToSystemTime(-700000.0, &t));
    EXPECT_FALSE(VariantTimeToSystemTime(std::numeric_limits<double>::quiet_NaN(), &t));
    EXPECT_TRUE(VariantTimeToSystemTime(2958465.0, &t));  // 9999-12-31
    EXPECT_EQ(9999, t.wYear);
}

TEST(DosDate, WordsHoldDateAndEvenSeconds) {
    SYSTEMTIME t = st(2000, 1, 1, 13, 45, 31);
    FILETIME f{};
    ASSERT_TRUE(SystemTimeToFileTime(&t, &f));
    WORD date = 0, time = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&f, &date, &time));
    EXPECT_EQ(0x2821, date);                       // year 20 after 1980, month 1, day 1
    EXPECT_EQ((13 << 11) | (45 << 5) | 15, time);  // seconds in pairs

    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &f));
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    expectTime(t, 2000, 1, 1, 6, 13, 45, 30);
}

TEST(DosDate, RefusesYearsAndWordsOutsideTheFormat) {
    WORD date = 0, time = 0;
    for (const SYSTEMTIME& outside : {st(1979, 12, 31, 23, 59, 59), st(2108, 1, 1)}) {
        FILETIME f{};
        ASSERT_TRUE(SystemTimeToFileTime(&outside, &f));
        SetLastError(0);
        EXPECT_FALSE(FileTimeToDosDateTime(&f, &date, &time));  // 2108 must not wrap to 1980
        EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    }
    FILETIME f{};
    EXPECT_FALSE(DosDateTimeToFileTime(0x2801, 0, &f));                     // month 0
    EXPECT_FALSE(DosDateTimeToFileTime((20 << 9) | (2 << 5) | 30, 0, &f));  // 30 February
    EXPECT_FALSE(DosDateTimeToFileTime(0x2821, 24 << 11, &f));              // hour 24
}

TEST(LocalTime, PragueUsesTheOffsetInForceNow) {
    ScopedEnv tz("TZ", "Europe/Prague");
    const FILETIME winterInstant = ft(kY2000);
    FILETIME local{}, back{};
    {
        FixedClock summer(kY2000 + 182 * 24 * kHour);  // 2000-07-01
        ASSERT_TRUE(FileTimeToLocalFileTime(&winterInstant, &local));
        EXPECT_EQ(kY2000 + 2 * kHour, ticks(local));  // the summer offset, as Windows applies it
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(kY2000, ticks(back));
        SYSTEMTIME t{};
        GetLocalTime(&t);
        expectTime(t, 2000, 7, 1, 6, 2, 0, 0);
    }
    {
        FixedClock winter(kY2000);
        ASSERT_TRUE(FileTimeToLocalFileTime(&winterInstant, &local));
        EXPECT_EQ(kY2000 + kHour, ticks(local));
        SYSTEMTIME t{};
        GetLocalTime(&t);
        expectTime(t, 2000, 1, 1, 6, 1, 0, 0);
    }
}

TEST(Clock, FixedForTestsAndTicksStillRun) {
    {
        FixedClock fixed(kY2000);
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        EXPECT_EQ(kY2000, ticks(now));
        SYSTEMTIME t{};
        GetSystemTime(&t);
        expectTime(t, 2000, 1, 1, 6, 0, 0, 0);
        const ULONGLONG before = GetTickCount64();
        Sleep(20);
        EXPECT_GE(GetTickCount64() - before, 20u);
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    EXPECT_GT(ticks(now), kY2000 + 20 * 365 * 24 * kHour);  // the real clock again
}

// The environment holds the clock for every module of the process; a time
// fixed in the module comes first, and a value that is no second is ignored.
TEST(Clock, HeldByTheEnvironmentAtOneSecond) {
    const auto now = [] {
        FILETIME at{};
        GetSystemTimeAsFileTime(&at);
        return ticks(at);
    };
    {
        ScopedEnv held{"PLATFORM_CLOCK", "946684800"};  // 2000-01-01 00:00 UTC
        EXPECT_EQ(kY2000, now());
        FixedClock fixed(kY2000 + kHour);
        EXPECT_EQ(kY2000 + kHour, now());
    }
    for (const char* ignored : {"", "-5", " 946684800", "946684800s", "99999999999999999999999"}) {
        ScopedEnv held{"PLATFORM_CLOCK", ignored};
        EXPECT_GT(now(), kY2000 + 20 * 365 * 24 * kHour) << ignored;
    }
}
