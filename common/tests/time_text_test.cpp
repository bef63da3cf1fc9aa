#include "common/time_text.h"

#include <gtest/gtest.h>

#include "testkit/scoped_env.h"
#include "platform/clock.h"
#include "win32/datetime.h"

namespace {

FILETIME fileTime(ULONGLONG ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

const FILETIME k20250102_030405 = fileTime(133802606450000000ull);
constexpr ULONGLONG k20000101Ticks = 125911584000000000ull;
constexpr ULONGLONG k20000701Ticks = 126068832000000000ull;
const FILETIME k20000101 = fileTime(k20000101Ticks);
const FILETIME k20000701 = fileTime(k20000701Ticks);

// Prague is UTC+1 in winter and UTC+2 in summer, so any conversion shows.
class TimeTextTest : public ::testing::Test {
protected:
    ScopedEnv tz{"TZ", "Europe/Prague"};
    ScopedEnv locale{"PLATFORM_LOCALE", "en-US"};
};

TEST_F(TimeTextTest, CompactStringTakesTheTimeAsGiven) {
    EXPECT_EQ("20250102030405", FileTimeToCompactString(k20250102_030405));
    EXPECT_EQ(u"20250102030405", FileTimeToCompactString<char16_t>(k20250102_030405));
    EXPECT_EQ("20000101000000", FileTimeToCompactString(k20000101));
}

TEST_F(TimeTextTest, LocalTextIsDateBlankTimeWithoutConversion) {
    EXPECT_EQ("1/2/2025 3:04:05 AM", FileTimeToLocalText(DATE_SHORTDATE, k20250102_030405));
    EXPECT_EQ(u"Thursday, January 2, 2025 3:04:05 AM",
              FileTimeToLocalText<char16_t>(DATE_LONGDATE, k20250102_030405));
}

TEST_F(TimeTextTest, VariantDates) {
    EXPECT_DOUBLE_EQ(36526.0, FileTimeToVariantDate(k20000101));
    EXPECT_DOUBLE_EQ(36708.0, FileTimeToVariantDate(k20000701));
}

// As on Windows, the conversion to local time uses the offset in force now,
// not the one of the converted date.
TEST_F(TimeTextTest, LocalVariantDateShiftsByTheCurrentOffset) {
    platform::clock::setForTests(k20000701Ticks);  // summer: UTC+2
    const DATE summer = FileTimeToLocalVariantDate(k20000101);
    platform::clock::setForTests(k20000101Ticks);  // winter: UTC+1
    const DATE winter = FileTimeToLocalVariantDate(k20000101);
    platform::clock::setForTests(std::nullopt);
    EXPECT_DOUBLE_EQ(36526.0 + 2.0 / 24, summer);
    EXPECT_DOUBLE_EQ(36526.0 + 1.0 / 24, winter);
}

TEST_F(TimeTextTest, UnconvertibleTimesGiveNothing) {
    const FILETIME beyond = fileTime(0x8000000000000000ull);  // FileTimeToSystemTime refuses
    EXPECT_EQ("", FileTimeToCompactString(beyond));
    EXPECT_EQ("", FileTimeToLocalText(DATE_SHORTDATE, beyond));
    EXPECT_DOUBLE_EQ(0.0, FileTimeToVariantDate(beyond));
}

}  // namespace
