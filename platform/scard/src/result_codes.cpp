#include "result_codes.h"

#include <cstdio>
#include <string>

#include "platform/win_error.h"
#include "win32/error_codes.h"

namespace platform::scard {

namespace {
// pcsc-lite gives "unsupported feature" the number that WinSCard uses for
// SCARD_E_UNEXPECTED; it never reports the latter.
constexpr lite::Result kLiteUnsupportedFeature = 0x8010001F;

bool inWinScardRange(lite::Result r) {
    return (r >= 0x80100001 && r <= 0x80100031) || (r >= 0x80100065 && r <= 0x8010006F);
}
}  // namespace

// pcsc-lite numbers its results as WinSCard does (its LONG is 64 bits, so the
// codes arrive as positive numbers); anything outside WinSCard's ranges is
// reported as an unknown error.
DWORD winCodeOf(lite::Result result) noexcept {
    if (result == 0) return static_cast<DWORD>(SCARD_S_SUCCESS);
    if (result == kLiteUnsupportedFeature) return static_cast<DWORD>(SCARD_E_UNSUPPORTED_FEATURE);
    if (inWinScardRange(result)) return static_cast<DWORD>(result);
    return static_cast<DWORD>(SCARD_F_UNKNOWN_ERROR);
}

void check(lite::Result result, std::string_view call) {
    if (result == 0) return;
    char original[32];
    std::snprintf(original, sizeof original, " (pcsc-lite 0x%llx)", static_cast<unsigned long long>(result));
    throw WinError(winCodeOf(result), std::string(call) + original);
}

}  // namespace platform::scard
