#include "msg/verify_signer.h"

#include <algorithm>

#include "encode/parts.h"
#include "store/compare.h"
#include "store/signature_check.h"
#include "win32/crypt_msg.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"

namespace platform::crypt::msg {

namespace {

const MessageParts& signedParts(const Message& message) {
    const MessageParts& parts = message.parts();
    if (parts.type != CMSG_SIGNED) throw WinError(CRYPT_E_INVALID_MSG_TYPE, "not a signed message");
    return parts;
}

// The public-key algorithm a key's or a signature's OID information names
// (CALG_RSA_SIGN for either RSA value, CALG_ECDSA); 0 for none.
ALG_ID keyAlgorithmOf(const CRYPT_OID_INFO& info) {
    if (info.dwGroupId == CRYPT_PUBKEY_ALG_OID_GROUP_ID) return info.Algid == CALG_RSA_KEYX ? CALG_RSA_SIGN : info.Algid;
    if (info.dwGroupId == CRYPT_SIGN_ALG_OID_GROUP_ID && info.ExtraInfo.cbData >= sizeof(DWORD))
        return *reinterpret_cast<const DWORD*>(info.ExtraInfo.pbData);
    return 0;
}

// The algorithm a signer's signature is checked with.
struct SignerAlgorithm {
    std::string oid;
    View parameters;
    // RSA with PKCS #1 v1.5 padding, which a provider checks over a hash.
    bool providerChecks = false;
};

// A key's algorithm (rsaEncryption, id-ecPublicKey) and a signature
// algorithm over an RSA or EC key (sha256RSA, ecdsa-with-SHA256) sign the
// signer's digest, as CryptoAPI takes them; RSASSA-PSS names its hashes in
// its parameters.
SignerAlgorithm algorithmOf(const SignerInfo& signer) {
    der::Reader r(signer.signatureAlgorithm.content);
    std::string oid = der::oidTextOf(r.read(der::kOid).content);
    const View parameters = r.atEnd() ? View() : r.read().encoded;
    const PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, oid.data(), 0);
    if (info && info->Algid == CALG_OID_INFO_PARAMETERS) return {std::move(oid), parameters};
    const ALG_ID key = info ? keyAlgorithmOf(*info) : 0;
    if (key != CALG_RSA_SIGN && key != CALG_ECDSA) throw WinError(NTE_BAD_ALGID, "signature algorithm " + oid);
    ALG_ID algorithms[2] = {digestAlgorithmId(signer.digestOid), key};
    const PCCRYPT_OID_INFO signature =
        CryptFindOIDInfo(CRYPT_OID_INFO_SIGN_KEY, algorithms, CRYPT_SIGN_ALG_OID_GROUP_ID);
    if (!signature) throw WinError(NTE_BAD_ALGID, "no signature algorithm " + oid + " with digest " + signer.digestOid);
    return {signature->pszOID, {}, key == CALG_RSA_SIGN};
}

void require(store::SignatureCheck check) {
    if (check == store::SignatureCheck::UnknownAlgorithm)
        throw WinError(NTE_BAD_ALGID, "the signature algorithm does not fit the key or is not supported");
    if (check == store::SignatureCheck::Fails) throw WinError(NTE_BAD_SIGNATURE, "the signature does not verify");
}

// The one OCTET STRING value of the messageDigest attribute.
View messageDigestOf(const der::Element& signedAttributes) {
    der::Reader attributes(signedAttributes.content);
    while (!attributes.atEnd()) {
        der::Reader attribute = attributes.enter(der::kSequence);
        if (der::oidTextOf(attribute.read(der::kOid).content) != szOID_RSA_messageDigest) continue;
        der::Reader values = attribute.enter(der::kSet);
        const der::Element digest = values.read(der::kOctetString);
        values.finish();
        return digest.content;
    }
    throw WinError(CRYPT_E_AUTH_ATTR_MISSING, "no messageDigest attribute");
}

ProviderHandle providerFor(const Message& message, HCRYPTPROV given) {
    if (given) return ProviderHandle::borrowed(given);
    if (message.provider()) return ProviderHandle::borrowed(message.provider());
    return ProviderHandle::verifyContext();
}

// A signature over the content's hash alone: the content may have gone by
// in pieces (detached), so only its hash is left. A provider's hash takes a
// value computed elsewhere; what no provider signs with is checked by the
// store area.
void verifyOverDigest(const SignerInfo& signer, const SignerAlgorithm& algorithm, const Bytes& digest,
                      const CERT_PUBLIC_KEY_INFO& key, const Message& message, HCRYPTPROV given) {
    if (!algorithm.providerChecks)
        return require(store::checkSignatureOfHash({algorithm.oid, algorithm.parameters}, digest, signer.signature, key));
    const ProviderHandle handle = providerFor(message, given);
    const HCRYPTPROV provider = handle.get();
    HashHandle hash(provider, digestAlgorithmId(signer.digestOid));
    if (!CryptSetHashParam(hash.get(), HP_HASHVAL, digest.data(), 0)) throwLastError("CryptSetHashParam");
    const KeyHandle publicKey(provider, key);
    const Bytes littleEndian = der::reversed(signer.signature);
    if (!CryptVerifySignatureW(hash.get(), littleEndian.data(), static_cast<DWORD>(littleEndian.size()),
                               publicKey.get(), nullptr, 0))
        throwLastError("CryptVerifySignature");
}

// A signature over the signed attributes' SET OF (RFC 5652 section 5.4),
// once their messageDigest is the content's hash: the bytes are at hand,
// and the store area's check takes old keys and digests as they come.
void verifyOverAttributes(const SignerInfo& signer, const SignerAlgorithm& algorithm, const Bytes& digest,
                          const CERT_PUBLIC_KEY_INFO& key) {
    const View expected = messageDigestOf(*signer.signedAttributes);
    if (!std::equal(expected.begin(), expected.end(), digest.begin(), digest.end()))
        throw WinError(CRYPT_E_HASH_VALUE, "the content does not match the messageDigest attribute");
    Bytes signedBytes(signer.signedAttributes->encoded.begin(), signer.signedAttributes->encoded.end());
    signedBytes[0] = der::kSet;  // signed as the SET OF, carried as [0] IMPLICIT
    require(store::checkSignature({algorithm.oid, algorithm.parameters}, signedBytes, signer.signature, key));
}

}  // namespace

void verifySigner(const Message& message, DWORD index, const CERT_PUBLIC_KEY_INFO& key, HCRYPTPROV provider) {
    const MessageParts& parts = signedParts(message);
    if (index >= parts.signers.size()) throw WinError(CRYPT_E_INVALID_INDEX, "no such signer");
    const SignerInfo& signer = parts.signers[index];
    const Bytes& digest = message.computedHash(index);
    const SignerAlgorithm algorithm = algorithmOf(signer);
    if (signer.signedAttributes)
        verifyOverAttributes(signer, algorithm, digest, key);
    else
        verifyOverDigest(signer, algorithm, digest, key, message, provider);
}

DWORD signerOf(const Message& message, const CERT_INFO& certificate) {
    const MessageParts& parts = signedParts(message);
    const Bytes issuer = parts::nameBlob(certificate.Issuer);
    const Bytes serial = parts::integerLittleEndian(certificate.SerialNumber);
    for (DWORD i = 0; i < parts.signers.size(); ++i) {
        const SignerInfo& s = parts.signers[i];
        const bool named = s.keyId ? store::keyIdentifies(*s.keyId, certificate)
                                   : std::ranges::equal(s.issuer, issuer) &&
                                         std::ranges::equal(der::integerSigned(s.serialNumber.content), serial);
        if (named) return i;
    }
    throw WinError(CRYPT_E_SIGNER_NOT_FOUND, "no signer identified by the certificate");
}

}  // namespace platform::crypt::msg
