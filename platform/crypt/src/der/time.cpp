// UTCTime and GeneralizedTime <-> FILETIME. CryptoAPI writes UTCTime for the
// years 1950 to 2049 and GeneralizedTime otherwise, both to the second with
// "Z" (RFC 5280 4.1.2.5); it reads seconds, fractions and offsets too.
#include <cstdio>

#include "der/der.h"
#include "platform/win_error.h"
#include "win32/datetime.h"

namespace platform::crypt::der {

namespace {

constexpr long long kTicksPerMinute = 60LL * 10'000'000;

[[noreturn]] void badTime() { throw WinError(CRYPT_E_ASN1_CORRUPT, "malformed time"); }

class TimeText {
public:
    explicit TimeText(View content) : m_text(content) {}

    bool atEnd() const noexcept { return m_pos == m_text.size(); }
    bool digitNext() const noexcept { return !atEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; }
    bool take(char c) {
        if (atEnd() || m_text[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    WORD digits(int count) {
        WORD value = 0;
        for (int i = 0; i < count; ++i) {
            if (!digitNext()) badTime();
            value = static_cast<WORD>(value * 10 + (m_text[m_pos++] - '0'));
        }
        return value;
    }
    // Milliseconds of a fraction; digits past the third are read and dropped.
    WORD fraction() {
        if (!digitNext()) badTime();
        WORD ms = 0;
        int used = 0;
        while (digitNext()) {
            const WORD d = digits(1);
            if (used < 3) {
                ms = static_cast<WORD>(ms * 10 + d);
                ++used;
            }
        }
        for (; used < 3; ++used) ms = static_cast<WORD>(ms * 10);
        return ms;
    }
    // Minutes east of UTC: "Z", "+hhmm", "-hhmm"; nothing counts as UTC when
    // `zoneOptional`.
    long long offsetMinutes(bool zoneOptional) {
        if (take('Z')) return 0;
        const bool plus = take('+');
        if (!plus && !take('-')) {
            if (zoneOptional && atEnd()) return 0;
            badTime();
        }
        const WORD hours = digits(2);
        const WORD minutes = digits(2);
        if (hours > 23 || minutes > 59) badTime();
        const long long offset = hours * 60LL + minutes;
        return plus ? offset : -offset;
    }

private:
    View m_text;
    std::size_t m_pos = 0;
};

FILETIME parse(View content, bool generalized) {
    TimeText t(content);
    SYSTEMTIME st{};
    if (generalized) {
        st.wYear = t.digits(4);
    } else {
        const WORD yy = t.digits(2);
        st.wYear = static_cast<WORD>(yy < 50 ? 2000 + yy : 1900 + yy);
    }
    st.wMonth = t.digits(2);
    st.wDay = t.digits(2);
    st.wHour = t.digits(2);
    st.wMinute = t.digits(2);
    if (t.digitNext()) st.wSecond = t.digits(2);
    if (generalized && (t.take('.') || t.take(','))) st.wMilliseconds = t.fraction();
    const long long offset = t.offsetMinutes(generalized);
    if (!t.atEnd()) badTime();
    FILETIME local{};
    if (!SystemTimeToFileTime(&st, &local)) badTime();
    const long long ticks = static_cast<long long>((static_cast<ULONGLONG>(local.dwHighDateTime) << 32) |
                                                   local.dwLowDateTime) -
                            offset * kTicksPerMinute;
    if (ticks < 0) badTime();
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<ULONGLONG>(ticks) >> 32)};
}

}  // namespace

FILETIME timeOf(const Element& e) {
    if (e.tag == kUtcTime) return parse(e.content, false);
    if (e.tag == kGeneralizedTime) return parse(e.content, true);
    throw WinError(CRYPT_E_ASN1_BADTAG, "time of another type");
}

Bytes time(const FILETIME& ft) {
    SYSTEMTIME st{};
    // GeneralizedTime has four year digits.
    if (!FileTimeToSystemTime(&ft, &st) || st.wYear > 9999)
        throw WinError(CRYPT_E_BAD_ENCODE, "time outside the years DER can write");
    char text[20];
    const bool utc = st.wYear >= 1950 && st.wYear <= 2049;
    const int n = utc ? std::snprintf(text, sizeof text, "%02u%02u%02u%02u%02u%02uZ", st.wYear % 100u, st.wMonth,
                                      st.wDay, st.wHour, st.wMinute, st.wSecond)
                      : std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02uZ", st.wYear, st.wMonth, st.wDay,
                                      st.wHour, st.wMinute, st.wSecond);
    return encode(utc ? kUtcTime : kGeneralizedTime,
                  View(reinterpret_cast<const BYTE*>(text), static_cast<std::size_t>(n)));
}

}  // namespace platform::crypt::der
