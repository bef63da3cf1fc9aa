// cms_verify_signer.cpp: what a signer's verification comes to: the number
// of a signature that did not verify, and the checks of one that did.
#include <algorithm>
#include <cctype>

#include "cms_verify_parts.h"
#include "common/chain_check.h"
#include "common/pem.h"
#include "common/strings.h"
#include "common/trusted_store.h"
#include "common/untrusted_root.h"
#include "pkcs7_query.h"
#include "win32/crypt_chain.h"
#include "win32/error_codes.h"

using namespace pkcs7;

namespace {

constexpr DWORD kErrBase64Decoding = 5;
constexpr DWORD kErrNoHash = 8;  // "Cannot get HASH of the message."
constexpr DWORD kErrHexDecoding = 13;
constexpr DWORD kErrHashValue = 53;  // "The HASH value is not correct."
constexpr DWORD kErrSignatureVerification = 1000;
constexpr DWORD kErrChainVerification = 1001;
constexpr DWORD kErrNotTimeValid = 1002;
constexpr DWORD kErrBadSignature = 1014;  // "Bad signature from verify signature function."
constexpr DWORD kErrSigningCertMismatch = 1025;
constexpr DWORD kErrNotTrusted = 3032;  // "Certificate not trusted for all intended purposes."

constexpr char kSha1Oid[] = "1.3.14.3.2.26";
// The trust bit of the trusted-certificate list for signing.
constexpr DWORD kSigningTrust = 16;

// Hexadecimal digits in pairs, blanks anywhere between them.
bool HexTextToBytes(std::string text, std::vector<BYTE>& out) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    const bool digitsOnly =
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
    if (!digitsOnly || text.size() % 2 != 0) return false;
    std::vector<BYTE> bytes;
    HexToBytes(text, bytes);
    out = std::move(bytes);
    return true;
}

// The SigningCertificateV2 attribute, else SigningCertificate (SHA-1), must
// name the certificate; a signer with neither passes.
DWORD CheckSigningCertificate(TCryptoapi& api, const TPkcs7& reader, DWORD n, PCCERT_CONTEXT certificate) {
    std::string oid;
    std::string hash;
    DWORD read = reader.GetSignerSigningCertHashV2(n, oid, hash, 0);
    if (read == kErrSigningCertNotFound) {
        oid = kSha1Oid;
        read = reader.GetSignerSigningCertHash(n, hash, 0);
    }
    if (read == kErrSigningCertNotFound) return 0;
    if (read != 0 || api.CompareCertHash(certificate, oid, hash, 0) != 0) return kErrSigningCertMismatch;
    return 0;
}

// A chain that cannot be built at all has no status to tell, and is no
// valid chain either. A chain whose one fault is its untrusted root is put
// to the question about that root.
DWORD CheckSignerChain(PCCERT_CONTEXT certificate, DWORD flags, HCERTSTORE messageStore, const FILETIME* checkTime) {
    DWORD errorStatus = 0;
    if (TCryptoapi::CheckChain(certificate, flags, messageStore, &errorStatus, nullptr, checkTime)) return 0;
    if (CertInfo root; errorStatus == CERT_TRUST_IS_UNTRUSTED_ROOT &&
                       ChainRootOf(certificate, messageStore, checkTime, root))
        return AskUntrustedRoot(root);
    return errorStatus ? TCryptoapi::ChainStatusToError(errorStatus) : kErrChainVerification;
}

}  // namespace

namespace cms_verify {

DWORD SignatureError(DWORD lastError) {
    switch (lastError) {
    case ERROR_OUTOFMEMORY: return kErrNoMemory;
    case static_cast<DWORD>(NTE_BAD_SIGNATURE): return kErrBadSignature;
    case static_cast<DWORD>(NTE_BAD_ALGID):
    case static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO): return kErrAlgorithm;
    case static_cast<DWORD>(CRYPT_E_HASH_VALUE): return kErrHashValue;
    case static_cast<DWORD>(CRYPT_E_NOT_FOUND): return kErrSignerNotFound;
    case static_cast<DWORD>(CRYPT_E_ASN1_ERROR):
    case static_cast<DWORD>(CRYPT_E_ASN1_EOD):
    case static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT):
    case static_cast<DWORD>(CRYPT_E_ASN1_BADTAG):
    case static_cast<DWORD>(CRYPT_E_ASN1_NOEOD): return kErrAsn1;
    default: return kErrSignatureVerification;
    }
}

DWORD CheckSigner(TCryptoapi& api, const TPkcs7& reader, DWORD n, PCCERT_CONTEXT certificate, DWORD flags,
                  HCERTSTORE messageStore, const FILETIME* checkTime) {
    if (flags & kCheckSigningCert)
        if (const DWORD result = CheckSigningCertificate(api, reader, n, certificate)) return result;
    if (flags & (kCheckChain | kCheckRevocation))
        if (const DWORD result = CheckSignerChain(certificate, flags, messageStore, checkTime)) return result;
    if ((flags & kCheckTimeValid) && !VerifySubjectCertificate(certificate, nullptr, CERT_STORE_TIME_VALIDITY_FLAG))
        return kErrNotTimeValid;
    if (!TCertTrustedStore::Instance()->GetTrust(certificate, kSigningTrust)) return kErrNotTrusted;
    return 0;
}

}  // namespace cms_verify

DWORD TCryptoapi::CompareCertHash(PCCERT_CONTEXT context, const std::string& hashOid, const std::string& hash,
                                  DWORD hex) {
    if (hash.empty()) return kErrNullSize;
    std::vector<BYTE> expected;
    if (hex && !HexTextToBytes(hash, expected)) return kErrHexDecoding;
    if (!hex && !Base64DecodeString(hash, expected)) return kErrBase64Decoding;
    if (expected.empty()) return kErrNullSize;
    std::vector<BYTE> actual;
    if (!HashData(context->pbCertEncoded, context->cbCertEncoded, OidToAlgId(hashOid), actual)) return kErrNoHash;
    return actual == expected ? 0 : kErrSigningCertMismatch;
}
