#include "signer_timestamp_check.h"

#include <cstring>

#include "common/timestamp.h"
#include "common/timestamp_time.h"
#include "signer_errors.h"
#include "win32/datetime.h"

namespace {

// Five minutes in FILETIME units.
constexpr long long kTimeTolerance = 5LL * 60 * 10'000'000;

long long Ticks(const FILETIME& t) {
    return static_cast<long long>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

bool WithinTolerance(const FILETIME& generated) {
    if (Ticks(generated) == 0) return false;  // no readable time
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const long long difference = Ticks(now) - Ticks(generated);
    return difference <= kTimeTolerance && difference >= -kTimeTolerance;
}

TokenCheck LibraryFailure(const TTimeStamp& stamp) {
    return {kErrTimeStampLibraryBase - stamp.GetStatus(), stamp.GetStatusText()};
}

}  // namespace

TokenCheck CheckTimeStampToken(const std::vector<BYTE>& token, const TTimeStampQuery& query) {
    TTimeStamp stamp;
    TtiTokenInfo info{};
    if (!stamp.GetTokenInfo(token, info)) return LibraryFailure(stamp);

    const TtiImprint asked = query.GetMessageImprint();
    if (std::strcmp(asked.hashAlgOid, info.imprint.hashAlgOid) != 0 ||
        asked.hashLength != info.imprint.hashLength ||
        std::memcmp(asked.hash, info.imprint.hash, asked.hashLength) != 0)
        return {kErrTokenHash, {}};
    const TtiInteger nonce = query.GetNonce();
    if (nonce.length != info.nonce.length || std::memcmp(nonce.bytes, info.nonce.bytes, nonce.length) != 0)
        return {kErrTokenNonce, {}};
    if (const std::string policy = query.GetPolicy(); !policy.empty() && policy != info.policyOid)
        return {kErrTokenPolicy, {}};
    if (!WithinTolerance(ParseGeneralizedTime(info.genTime))) return {kErrTokenTime, {}};

    if (!stamp.CheckToken(token, query)) return LibraryFailure(stamp);
    return {};
}
