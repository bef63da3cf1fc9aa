// cms_sign.cpp: a buffer signed into a DER SignedData through
// CryptSignMessage, with the signed attributes of the flags and the policy,
// and the signature's failures as error numbers.
#include "common/cms_sign.h"
#include "cms_sign_parts.h"
#include "common/cert_context.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/system_error.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "pkcs7_query.h"
#include "win32/crypt_simple_msg.h"
#include "win32/error.h"

namespace {

using Kind = TCryptAttrEncoder::Kind;

// The first output buffer has this much room beyond the data.
constexpr DWORD kOutputRoom = 0x800000;

DWORD SignatureError(DWORD lastError) {
    switch (lastError) {
    case static_cast<DWORD>(NTE_BAD_ALGID):
    case static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO): return kErrSignHashAlgorithm;
    case static_cast<DWORD>(NTE_PERM):
    case static_cast<DWORD>(SCARD_E_INVALID_CHV): return kErrSignWrongPin;
    case static_cast<DWORD>(SCARD_W_CHV_BLOCKED): return kErrSignPinBlocked;
    case static_cast<DWORD>(SCARD_W_CANCELLED_BY_USER): return kErrSignCancelled;
    default: return kErrSignPrivateKey;
    }
}

// One call into a buffer of the data's size and some room, a second one
// only when that was too small.
DWORD Sign(CRYPT_SIGN_MESSAGE_PARA& parameters, DWORD flags, const std::vector<BYTE>& data, std::vector<BYTE>& out) {
    const BOOL detached = (flags & kSignDetached) ? TRUE : FALSE;
    const BYTE* blocks[] = {data.data()};
    DWORD blockSizes[] = {static_cast<DWORD>(data.size())};
    std::vector<BYTE> buffer(data.size() + kOutputRoom);
    DWORD size = static_cast<DWORD>(buffer.size());
    BOOL signedOk = CryptSignMessage(&parameters, detached, 1, blocks, blockSizes, buffer.data(), &size);
    if (!signedOk && GetLastError() == ERROR_MORE_DATA) {
        buffer.resize(size);
        signedOk = CryptSignMessage(&parameters, detached, 1, blocks, blockSizes, buffer.data(), &size);
    }
    if (signedOk) {
        out.assign(buffer.begin(), buffer.begin() + size);
        return 0;
    }
    const DWORD result = SignatureError(GetLastError());
    LogLastError(sgLogLevelErrs, "SignBufferToPKCS7DER(): ");
    return result;
}

}  // namespace

DWORD SignBufferToPKCS7DER(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                           const std::string& hashOid, DWORD flags, const std::vector<BYTE>& data,
                           std::vector<BYTE>& out, const SignPolicyInfo* policy) {
    if (!signer) return kErrSignCertificate;
    return pkcs7::Guarded([&]() -> DWORD {
        if (policy)
            if (const DWORD refused = cms_sign::CheckSignerAgainstPolicy(signer, hashOid, flags, *policy))
                return refused;
        std::vector<PCCERT_CONTEXT> included = certificates;
        TCryptAttrEncoder attributes;
        const DWORD attributeFlags = flags | (policy ? cms_sign::PolicyAttributeFlags(*policy) : 0);
        if (!cms_sign::AddSignedAttributes(signer, attributeFlags, policy, attributes)) return kErrSignAttributes;

        CRYPT_SIGN_MESSAGE_PARA parameters{};
        parameters.cbSize = sizeof parameters;
        parameters.dwMsgEncodingType = kCertEncoding;
        parameters.pSigningCert = signer;
        parameters.HashAlgorithm.pszObjId = const_cast<LPSTR>(hashOid.c_str());
        parameters.cMsgCert = static_cast<DWORD>(included.size());
        parameters.rgpMsgCert = included.empty() ? nullptr : included.data();
        parameters.cAuthAttr = attributes.Count(Kind::Signed);
        parameters.rgAuthAttr = attributes.Attributes(Kind::Signed);
        parameters.cUnauthAttr = attributes.Count(Kind::Unsigned);
        parameters.rgUnauthAttr = attributes.Attributes(Kind::Unsigned);
        return Sign(parameters, flags, data, out);
    });
}

DWORD TCryptoapi::SignBufferWithCert(const CertInfo& signer, const std::vector<CertInfo>& certificates,
                                     const std::string& hashOid, DWORD flags, const std::vector<BYTE>& data,
                                     std::vector<BYTE>& out, const SignPolicyInfo* policy) {
    return pkcs7::Guarded([&]() -> DWORD {
        const OwnedCertContext signerContext(CertContextFromInfo(signer));
        if (!signerContext) return kErrSignCertificate;
        std::vector<OwnedCertContext> owned;
        std::vector<PCCERT_CONTEXT> contexts;
        for (const CertInfo& record : certificates)
            if (OwnedCertContext context(CertContextFromInfo(record)); context) {
                owned.push_back(std::move(context));
                contexts.push_back(owned.back().get());
            }
        return SignBufferToPKCS7DER(signerContext.get(), contexts, hashOid, flags, data, out, policy);
    });
}
