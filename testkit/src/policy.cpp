#include "testkit/policy.h"

#include <openssl/evp.h>
#include <openssl/objects.h>

#include <stdexcept>

#include "der.h"
#include "pki_openssl.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit::policy {

namespace {

using namespace der;

Bytes digest(const EVP_MD* md, const Bytes& data) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    pki::detail::require(EVP_Digest(data.data(), data.size(), out.data(), &size, md, nullptr) == 1, "EVP_Digest");
    out.resize(size);
    return out;
}

Bytes oidsOf(const std::vector<std::string>& oids) {
    std::vector<Bytes> items;
    for (const auto& text : oids) items.push_back(oid(text));
    return sequenceOf(items);
}

// CertificateTrustTrees: a trust point per root, nothing constrained.
Bytes trustTrees(const std::vector<pki::Certificate>& roots) {
    std::vector<Bytes> points;
    for (const auto& root : roots) points.push_back(tlv(kSequence, root.der()));
    return sequenceOf(points);
}

Bytes noRevocationCheck() {
    const Bytes none = sequence({integer(4, kEnumerated)});
    return sequence({none, tlv(explicitTag(0), none)});
}

Bytes algorithmList(const std::vector<AlgorithmAndLength>& algorithms) {
    std::vector<Bytes> items;
    for (const auto& algorithm : algorithms)
        items.push_back(algorithm.minKeyLength ? sequence({oid(algorithm.oid), integer(algorithm.minKeyLength)})
                                               : sequence({oid(algorithm.oid)}));
    return sequenceOf(items);
}

Bytes algorithmSet(const AlgorithmConstraints& set) {
    Bytes content;
    const std::pair<unsigned, const std::vector<AlgorithmAndLength>*> lists[] = {
        {0, &set.signer}, {1, &set.endEntity}, {2, &set.ca}, {4, &set.timestampAuthority}};
    for (const auto& [tag, list] : lists)
        if (!list->empty()) content = concat({content, tlv(explicitTag(tag), algorithmList(*list))});
    return tlv(kSequence, content);
}

Bytes commonRules(const SignaturePolicy& policy) {
    const Bytes signerRules = sequence({oidsOf(policy.mandatedSignedAttrs), oidsOf(policy.mandatedUnsignedAttrs)});
    const Bytes verifierRules = sequence({oidsOf({})});
    Bytes content = tlv(explicitTag(0), sequence({signerRules, verifierRules}));
    if (!policy.signerTrust.empty())
        content = concat({content, tlv(explicitTag(1), sequence({trustTrees(policy.signerTrust), noRevocationCheck()}))});
    if (!policy.tsaTrust.empty())
        content = concat({content, tlv(explicitTag(2), sequence({tlv(explicitTag(0), trustTrees(policy.tsaTrust))}))});
    const auto& a = policy.algorithms;
    if (!a.signer.empty() || !a.endEntity.empty() || !a.ca.empty() || !a.timestampAuthority.empty())
        content = concat({content, tlv(explicitTag(4), algorithmSet(a))});
    return tlv(kSequence, content);
}

Bytes signPolicyInfo(const SignaturePolicy& policy) {
    const Bytes directoryName = sequence({tlv(kSet, sequence({oid("2.5.4.3"), utf8(policy.issuer)}))});
    Bytes issuerNames = tlv(explicitTag(4), directoryName);
    if (!policy.issuerUri.empty())
        issuerNames = concat({issuerNames, tlv(0x86, Bytes(policy.issuerUri.begin(), policy.issuerUri.end()))});
    const Bytes signingPeriod = policy.notAfter
                                    ? sequence({generalizedTime(policy.notBefore), generalizedTime(*policy.notAfter)})
                                    : sequence({generalizedTime(policy.notBefore)});
    const Bytes anyCommitment = sequence({sequence({sequence({tlv(kNull, {})})})});
    return sequence({oid(policy.oid), generalizedTime(policy.issued), tlv(kSequence, issuerNames),
                     utf8(policy.fieldOfApplication),
                     sequence({signingPeriod, commonRules(policy), anyCommitment})});
}

std::string hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const auto byte : bytes) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0xF]);
    }
    return out;
}

Bytes generate(const std::filesystem::path& source, const std::filesystem::path& folder,
               const std::filesystem::path& scratch, const std::string& hashHex) {
    const auto out = scratch / "policy.der";
    RunOptions options;
    options.cwd = folder;
    options.env["POLICY_HASH"] = hashHex;
    const auto result = run({"openssl", "asn1parse", "-genconf", source.string(), "-noout", "-out", out.string()}, options);
    if (result.exitCode != 0) throw std::runtime_error("openssl asn1parse -genconf failed: " + result.err);
    const std::string der = readFile(out);
    return Bytes(der.begin(), der.end());
}

}  // namespace

Bytes encode(const SignaturePolicy& policy) {
    const EVP_MD* md = pki::detail::digestOf(policy.hash);
    char hashOid[80];
    pki::detail::require(OBJ_obj2txt(hashOid, sizeof hashOid, OBJ_nid2obj(EVP_MD_type(md)), 1) > 0, "OBJ_obj2txt");
    const Bytes hashAlg = sequence({oid(hashOid), tlv(kNull, {})});
    const Bytes info = signPolicyInfo(policy);
    return sequence({hashAlg, info, tlv(0x04, digest(md, concat({hashAlg, info})))});
}

Bytes policyHash(const Bytes& der) {
    const std::vector<Bytes> parts = children(der);
    if (parts.size() < 3 || parts[0].empty() || parts[0][0] != kSequence) return {};
    const std::vector<Bytes> algorithm = children(parts[0]);
    if (algorithm.empty() || algorithm[0][0] != kOid) return {};
    const unsigned char* at = algorithm[0].data();
    const pki::detail::AsnObject object(d2i_ASN1_OBJECT(nullptr, &at, static_cast<long>(algorithm[0].size())));
    const EVP_MD* md = object ? EVP_get_digestbyobj(object.get()) : nullptr;
    return md ? digest(md, concat({parts[0], parts[1]})) : Bytes{};
}

Bytes fromGenconfText(const std::string& text, const std::filesystem::path& folder,
                      const std::filesystem::path& scratch) {
    const auto source = scratch / "policy.cnf";
    writeFile(source, text);
    // A first run with a zero hash of SHA-256's size gives the bytes to hash.
    const Bytes draft = generate(source, folder, scratch, std::string(64, '0'));
    const Bytes hash = policyHash(draft);
    return hash.empty() ? draft : generate(source, folder, scratch, hex(hash));
}

Bytes fromGenconf(const std::filesystem::path& source, const std::vector<Edit>& edits,
                  const std::filesystem::path& scratch) {
    std::string text = readFile(source);
    for (const Edit& edit : edits) {
        const std::size_t at = text.find(edit.line + "\n");
        if (at == std::string::npos) throw std::invalid_argument(source.string() + " has no line " + edit.line);
        text.replace(at, edit.line.size(), edit.replacement);
    }
    return fromGenconfText(text, source.parent_path(), scratch);
}

}  // namespace testkit::policy
