// The trusted list applied: a signature policy, and the root of a signing or
// time-stamp server certificate, pass only when the list names them in a
// record whose period holds now. The container object's signer refuses
// policies and certificates without a list.
#include <algorithm>
#include <sstream>

#include "common/cryptoapi.h"
#include "common/strings.h"
#include "platform/clock.h"
#include "signer.h"
#include "signer_kyd.h"
#include "signer_trusted_list_format.h"

namespace {

// The digests by which the list names items, tried in this order: the
// digest algorithm and its OID as the list writes it.
struct ListDigest {
    ALG_ID algorithm;
    const char* oid;
};
constexpr ListDigest kListDigests[] = {{CALG_SHA1, "1 3 14 3 2 26"}, {CALG_SHA_256, "2 16 840 1 101 3 4 2 1"}};

ULONGLONG asNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A record is valid from the time it was listed (its file's time) to its
// NotAfter, both ends included.
bool validNow(const TrustedListRecord& record) {
    const ULONGLONG from = asNumber(record.fileTime);
    const ULONGLONG to = asNumber(record.notAfter);
    const ULONGLONG now = platform::clock::nowFileTime();
    return from != 0 && to != 0 && from <= now && now <= to;
}

// The first record of the kind that names the bytes by one of the digests.
bool findRecord(const std::vector<BYTE>& listText, TrustedList::Kind kind, const std::vector<BYTE>& bytes,
                TrustedListRecord& out) {
    if (bytes.empty()) return false;
    TrustedList list;
    list.LoadFromMemory(listText);
    TCryptoapi api;
    for (const ListDigest& digest : kListDigests) {
        std::vector<BYTE> value;
        if (!api.HashVector(bytes, digest.algorithm, value)) return false;
        std::string text;
        BytesToHexGrouped(value.data(), value.size(), false, text);
        if (list.Select(kind, digest.oid, text, out)) return true;
    }
    return false;
}

// The policy identifiers of a record's ExplicitPolicy, separated by blanks.
std::vector<std::string> explicitPolicies(const TrustedListRecord& record) {
    std::istringstream text(TrustedList::GetValue(record, "ExplicitPolicy"));
    std::vector<std::string> out;
    for (std::string oid; text >> oid;) out.push_back(oid);
    return out;
}

bool carriesAll(const CertInfo& certificate, const std::vector<std::string>& policies) {
    return std::all_of(policies.begin(), policies.end(), [&](const std::string& oid) {
        return std::find(certificate.policyOids.begin(), certificate.policyOids.end(), oid) !=
               certificate.policyOids.end();
    });
}

}  // namespace

bool TSigner::TrustedListAdmitsPolicy(const SignPolicyInfo& policy) const {
    TrustedListRecord record;
    if (!findRecord(m_trustedList, TrustedList::kSignaturePolicy, policy.policyDer, record)) return false;
    return validNow(record) && TrustedList::GetValue(record, "OID") == policy.policyOid;
}

bool TSigner::TrustedListAdmitsCertificate(const CertInfo& certificate) const {
    std::vector<CertInfo> chain;
    if (!TCryptoapi::CheckCertificateChain(certificate, chain, 0) || chain.empty()) return false;
    TrustedListRecord record;
    if (!findRecord(m_trustedList, TrustedList::kTrustedCertificate, chain.back().der, record) ||
        !validNow(record))
        return false;
    // The root is named by its digest; the policies are asked of the
    // certificates it vouches for, which carry them.
    const std::vector<std::string> policies = explicitPolicies(record);
    return std::all_of(chain.begin(), chain.end() - 1,
                       [&](const CertInfo& element) { return carriesAll(element, policies); });
}

bool TSignerKyd::ValidateSignPolicy(const SignPolicyInfo& policy) const {
    return TSigner::ValidateSignPolicy(policy) && IsTrustedList() && TrustedListAdmitsPolicy(policy);
}

bool TSignerKyd::ValidateSignCert(const CertInfo& certificate) const {
    return TSigner::ValidateSignCert(certificate) && IsTrustedList() && TrustedListAdmitsCertificate(certificate);
}

bool TSignerKyd::ValidateTsaCert(const CertInfo& certificate) const {
    return TSigner::ValidateTsaCert(certificate) && IsTrustedList() && TrustedListAdmitsCertificate(certificate);
}
