// The signer's digest algorithm and digests of data.
#include <cctype>

#include "common/base64.h"
#include "common/log.h"
#include "common/strings.h"
#include "signer.h"
#include "signer_algorithms.h"
#include "signer_hash_text.h"

namespace {

constexpr DWORD kHashGroup = 1;

// A row whose algorithm the system knows as a digest.
bool IsDigestRow(const TSignerAlg& row) {
    const std::string oid = TCryptoapi::AlgIdToOid(row.algId, kHashGroup);
    return !oid.empty() && !TCryptoapi::CheckHashAlgOid(oid, 0).empty();
}

bool Base64Line(const std::vector<BYTE>& digest, std::string& out) {
    const auto length = static_cast<DWORD>(digest.size());
    constexpr DWORD kFlags = BASE64_ENCODE | BASE64_NO_LINE_BREAKS;
    DWORD size = 0;
    Base64Codec(kFlags, digest.data(), length, nullptr, &size);
    std::vector<BYTE> text(size);
    if (size < 2 || !Base64Codec(kFlags, digest.data(), length, text.data(), &size)) return false;
    out.assign(reinterpret_cast<const char*>(text.data()), size - 1);  // without the NUL
    return true;
}

}  // namespace

std::string GroupedHex(const std::vector<BYTE>& digest) {
    std::string text = BytesToHex(digest.data(), digest.size(), 2, " ");
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool TSigner::SetHashAlgorithmType(LONG row) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "type: " + std::to_string(row));
    if (row != kNoHashAlgorithm) {
        const TSignerAlg* found = FindAlgByNumber(row);
        if (!found || !IsDigestRow(*found)) return Record(kErrHashNotSupported);
    }
    m_hashAlgorithm = row;
    return Record(0);
}

LONG TSigner::GetHashAlgorithmType() const {
    SIGNER_TRACE_VALUE(m_hashAlgorithm);
    return m_hashAlgorithm;
}

bool TSigner::GetHashAlgorithmTypeStr(std::string& name) {
    SIGNER_TRACE();
    const TSignerAlg* row = m_hashAlgorithm == kNoHashAlgorithm ? nullptr : FindAlgByNumber(m_hashAlgorithm);
    const std::string found = row ? TCryptoapi::GetAlgName(row->algId, kHashGroup) : std::string();
    if (found.empty()) return Record(kErrHashNotSupported);
    name = found;
    return Record(0);
}

bool TSigner::SetHashAlgorithmTypeStr(const std::string& name) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "type: " + name);
    const ALG_ID algId = TCryptoapi::GetOidName(name, kHashGroup);
    const TSignerAlg* row = algId == 0 ? nullptr : FindAlgByAlgId(algId);
    if (!row || !IsDigestRow(*row)) return Record(kErrHashNotSupported);
    m_hashAlgorithm = row->number;
    return Record(0);
}

LONG TSigner::ComputeHash(const std::vector<BYTE>& data, ALG_ID algId, std::string& out, bool hex) {
    SIGNER_TRACE();
    std::vector<BYTE> digest;
    if (!m_csp.HashVector(data, algId, digest) || digest.empty()) return kErrHashFailed;
    if (hex)
        out = GroupedHex(digest);
    else if (!Base64Line(digest, out))
        return kErrBase64;
    Log(sgLogLevelDebug, "ComputeHash(): hash '" + out + "'");
    return 0;
}
