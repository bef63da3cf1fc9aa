// CEnroll: the algorithms a session may name: the OID information the
// library registers, and whether the session's provider has the algorithm
// of an OID.
#include "enroll.h"

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "win32/error_codes.h"

namespace {

// The result for an OID that names no algorithm.
constexpr DWORD kNoAlgorithmForOid = 1911;

}  // namespace

DWORD CEnroll::RegisterOIDInfo() {
    TCryptoapi api;
    const bool ok = api.RegisterOIDInfo();
    return ResultFromStatus(ok, api.GetLastErrorCode());
}

DWORD CEnroll::IsAlgOidSupported(std::u16string_view oid) {
    if (oid.empty()) return ERROR_INVALID_PARAMETER;
    if (!m_providerName || m_providerName->empty()) return static_cast<DWORD>(NTE_BAD_PROVIDER);
    const ALG_ID algId = TCryptoapi::OidToAlgId(WideToMultiByte(oid.data(), static_cast<int>(oid.size())));
    if (algId == 0) return kNoAlgorithmForOid;
    TCryptoapi api;
    PROV_ENUMALGS_EX record{};
    const bool ok = api.FindProviderAlgorithm(*m_providerName, m_providerType, algId, record);
    return ResultFromStatus(ok, api.GetLastErrorCode());
}
