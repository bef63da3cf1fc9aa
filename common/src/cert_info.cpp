// cert_info.cpp: the description record's reset and its qualified and
// secure-device tests.
#include "common/cert_info.h"

#include <algorithm>

#include "platform/clock.h"

namespace {

// 1 November 2010 00:00:00 UTC as a FILETIME: from then on a certificate on
// a secure device carries QcSSCD; before, the statement did not exist yet.
constexpr ULONGLONG kQcSscdRequiredFrom = platform::clock::kUnixEpochAsFileTime + 1288569600ull * 10000000ull;

bool holds(const std::vector<std::string>& oids, const char* oid) {
    return std::find(oids.begin(), oids.end(), oid) != oids.end();
}

ULONGLONG asNumber(const FILETIME& time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace

void CertInfo::Clear() { *this = CertInfo{}; }

bool CertInfo::IsQualified() const { return holds(qcStatementOids, kQcComplianceOid); }

bool CertInfo::IsSscd(DWORD strict) const {
    if (holds(qcStatementOids, kQcSscdOid)) return true;
    return strict == 0 && asNumber(notBefore) < kQcSscdRequiredFrom;
}
