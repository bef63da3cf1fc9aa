// sign_buffer.cpp: a buffer signed into an attached SignedData through
// CryptSignMessage, with the signing time as its one signed attribute.
#include "sign_buffer.h"

#include <new>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "win32/crypt_simple_msg.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

// The first output buffer has this much room beyond the data.
constexpr DWORD kOutputRoom = 4096;
constexpr DWORD kBase64Flags = 5;  // encode, lines of 72 characters ended by LF

DWORD signatureError(DWORD lastError) {
    switch (lastError) {
    case static_cast<DWORD>(NTE_PERM):
    case static_cast<DWORD>(SCARD_E_INVALID_CHV): return kSignBufferWrongPin;
    case static_cast<DWORD>(SCARD_W_CHV_BLOCKED): return kSignBufferPinBlocked;
    case static_cast<DWORD>(SCARD_W_CANCELLED_BY_USER): return kSignBufferCancelled;
    default: return kSignBufferFailed;
    }
}

// The signing-time attribute value for now (UTC); empty when it cannot be
// encoded.
std::vector<BYTE> signingTimeNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, szOID_RSA_signingTime, &now, nullptr, &size)) return {};
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(kCertEncoding, szOID_RSA_signingTime, &now, encoded.data(), &size)) return {};
    encoded.resize(size);
    return encoded;
}

}  // namespace

DWORD TCryptoapi::SignBuffer(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                             const std::u16string& hashOid, const std::vector<BYTE>& data, std::vector<BYTE>& out) {
    if (!signer) return kSignBufferNoCertificate;
    std::vector<PCCERT_CONTEXT> included;
    std::vector<BYTE> buffer;
    try {
        included = certificates;
        buffer.resize(data.size() + kOutputRoom);
    } catch (const std::bad_alloc&) {
        return kSignBufferNoMemory;
    }
    std::string oid = WideToMultiByte(hashOid.data(), static_cast<int>(hashOid.size()));
    std::vector<BYTE> signingTime = signingTimeNow();
    CRYPT_ATTR_BLOB timeValue{static_cast<DWORD>(signingTime.size()), signingTime.data()};
    char signingTimeOid[] = szOID_RSA_signingTime;
    CRYPT_ATTRIBUTE attribute{signingTimeOid, 1, &timeValue};

    CRYPT_SIGN_MESSAGE_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.dwMsgEncodingType = kCertEncoding;
    parameters.pSigningCert = signer;
    parameters.HashAlgorithm.pszObjId = oid.data();
    parameters.cMsgCert = static_cast<DWORD>(included.size());
    parameters.rgpMsgCert = included.empty() ? nullptr : included.data();
    // Without a signing time the message goes without signed attributes.
    parameters.cAuthAttr = signingTime.empty() ? 0 : 1;
    parameters.rgAuthAttr = signingTime.empty() ? nullptr : &attribute;

    const BYTE* blocks[] = {data.data()};
    DWORD blockSizes[] = {static_cast<DWORD>(data.size())};
    DWORD size = static_cast<DWORD>(buffer.size());
    BOOL signedOk = CryptSignMessage(&parameters, FALSE, 1, blocks, blockSizes, buffer.data(), &size);
    if (!signedOk && GetLastError() == ERROR_MORE_DATA) {
        buffer.resize(size);
        signedOk = CryptSignMessage(&parameters, FALSE, 1, blocks, blockSizes, buffer.data(), &size);
    }
    if (!signedOk) {
        Failed();
        return signatureError(m_lastErrorCode);
    }
    buffer.resize(size);
    out = std::move(buffer);
    return 0;
}

DWORD TCryptoapi::SignBufferToText(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                                   const std::u16string& hashOid, const std::vector<BYTE>& data, std::u16string& out) {
    std::vector<BYTE> message;
    if (const DWORD result = SignBuffer(signer, certificates, hashOid, data, message)) return result;
    std::string text;
    if (!Base64ConvertVector(message, text, kBase64Flags)) return kSignBufferNotText;
    out = MultiByteToWide(text, CP_ACP);
    return 0;
}
