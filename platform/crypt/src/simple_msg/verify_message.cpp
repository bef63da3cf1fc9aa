// CryptVerifyMessageSignature and CryptVerifyDetachedMessageSignature: the
// message decoded, the signer's certificate asked of the caller's callback
// (or found among the message's certificates), and the signer verified with
// CMSG_CTRL_VERIFY_SIGNATURE_EX, as CryptoAPI does it.
#include <memory>
#include <vector>

#include "encode/codec.h"
#include "msg/crypt_handles.h"
#include "platform/boundary.h"
#include "platform/owned.h"
#include "simple_msg/para_checks.h"
#include "win32/crypt_simple_msg.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::crypt::simple_msg {

namespace {

struct MsgCloser {
    void operator()(void* m) const noexcept { CryptMsgClose(m); }
};
using MessageHandle = std::unique_ptr<void, MsgCloser>;
struct StoreCloser {
    void operator()(void* s) const noexcept { CertCloseStore(s, 0); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;
using Certificate = Owned<const CERT_CONTEXT, CertFreeCertificateContext>;

void update(HCRYPTMSG message, const BYTE* data, DWORD size, bool final) {
    if (!CryptMsgUpdate(message, data, size, final)) msg::throwLastError("CryptMsgUpdate");
}

std::vector<BYTE> param(HCRYPTMSG message, DWORD type, DWORD index) {
    DWORD size = 0;
    if (!CryptMsgGetParam(message, type, index, nullptr, &size)) msg::throwLastError("CryptMsgGetParam");
    std::vector<BYTE> value(size);
    if (!CryptMsgGetParam(message, type, index, value.data(), &size)) msg::throwLastError("CryptMsgGetParam");
    return value;
}

Certificate signerCertificate(const CRYPT_VERIFY_MESSAGE_PARA& para, HCRYPTMSG message, DWORD index) {
    std::vector<BYTE> signerId = param(message, CMSG_SIGNER_CERT_INFO_PARAM, index);
    auto* id = reinterpret_cast<PCERT_INFO>(signerId.data());
    const DWORD encoding = para.dwMsgAndCertEncodingType;
    const StoreHandle store(CertOpenStore(CERT_STORE_PROV_MSG, encoding, para.hCryptProv, 0, message));
    if (!store) msg::throwLastError("CertOpenStore");
    SetLastError(0);
    Certificate found(para.pfnGetSignerCertificate
                          ? para.pfnGetSignerCertificate(para.pvGetArg, encoding, id, store.get())
                          : CertGetSubjectCertificateFromStore(store.get(), encoding, id));
    if (!found) {
        const DWORD error = GetLastError();
        throw WinError(error ? error : static_cast<DWORD>(CRYPT_E_NOT_FOUND), "no certificate for the signer");
    }
    return found;
}

// The message decoded (its content too when detached) and signer `index`
// verified; the signer's certificate.
Certificate verified(const CRYPT_VERIFY_MESSAGE_PARA& para, HCRYPTMSG message, DWORD index) {
    DWORD count = 0;
    DWORD size = sizeof count;
    if (!CryptMsgGetParam(message, CMSG_SIGNER_COUNT_PARAM, 0, &count, &size)) msg::throwLastError("CryptMsgGetParam");
    if (index >= count) throw WinError(CRYPT_E_NO_SIGNER, "no signer at that index");
    Certificate certificate = signerCertificate(para, message, index);
    CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify{sizeof verify, para.hCryptProv, index, CMSG_VERIFY_SIGNER_CERT,
                                              const_cast<CERT_CONTEXT*>(certificate.get())};
    if (!CryptMsgControl(message, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &verify)) msg::throwLastError("CryptMsgControl");
    return certificate;
}

MessageHandle opened(const CRYPT_VERIFY_MESSAGE_PARA& para, DWORD flags, const BYTE* blob, DWORD size) {
    checkEncoding(para.dwMsgAndCertEncodingType);
    MessageHandle message(
        CryptMsgOpenToDecode(para.dwMsgAndCertEncodingType, flags, CMSG_SIGNED, para.hCryptProv, nullptr, nullptr));
    if (!message) msg::throwLastError("CryptMsgOpenToDecode");
    update(message.get(), blob, size, true);
    return message;
}

void handOut(Certificate certificate, PCCERT_CONTEXT* ppSignerCert) {
    if (ppSignerCert) *ppSignerCert = certificate.release();
}

}  // namespace

}  // namespace platform::crypt::simple_msg

using namespace platform::crypt::simple_msg;

BOOL CryptVerifyMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA pVerifyPara, DWORD dwSignerIndex,
                                 const BYTE* pbSignedBlob, DWORD cbSignedBlob, BYTE* pbDecoded, DWORD* pcbDecoded,
                                 PCCERT_CONTEXT* ppSignerCert) noexcept {
    if (ppSignerCert) *ppSignerCert = nullptr;
    const DWORD room = pcbDecoded ? *pcbDecoded : 0;
    if (pcbDecoded) *pcbDecoded = 0;
    return platform::winBool([&] {
        const auto& para = checkedPara(pVerifyPara);
        const MessageHandle message = opened(para, 0, pbSignedBlob, cbSignedBlob);
        Certificate certificate = verified(para, message.get(), dwSignerIndex);
        if (pcbDecoded) {
            *pcbDecoded = room;
            if (!CryptMsgGetParam(message.get(), CMSG_CONTENT_PARAM, 0, pbDecoded, pcbDecoded))
                platform::crypt::msg::throwLastError("CryptMsgGetParam");
        }
        handOut(std::move(certificate), ppSignerCert);
        return true;
    });
}

BOOL CryptVerifyDetachedMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA pVerifyPara, DWORD dwSignerIndex,
                                         const BYTE* pbDetachedSignBlob, DWORD cbDetachedSignBlob,
                                         DWORD cToBeSigned, const BYTE* rgpbToBeSigned[], DWORD rgcbToBeSigned[],
                                         PCCERT_CONTEXT* ppSignerCert) noexcept {
    if (ppSignerCert) *ppSignerCert = nullptr;
    return platform::winBool([&] {
        const auto& para = checkedPara(pVerifyPara);
        const MessageHandle message = opened(para, CMSG_DETACHED_FLAG, pbDetachedSignBlob, cbDetachedSignBlob);
        const auto blocks = platform::crypt::items(rgpbToBeSigned, cToBeSigned);
        const auto sizes = platform::crypt::items(rgcbToBeSigned, cToBeSigned);
        for (DWORD i = 0; i < cToBeSigned; ++i) update(message.get(), blocks[i], sizes[i], i + 1 == cToBeSigned);
        if (!cToBeSigned) update(message.get(), nullptr, 0, true);
        handOut(verified(para, message.get(), dwSignerIndex), ppSignerCert);
        return true;
    });
}
