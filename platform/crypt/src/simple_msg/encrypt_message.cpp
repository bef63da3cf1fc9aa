// CryptEncryptMessage: CryptMsgOpenToEncode for an enveloped message, one
// update, the ContentInfo by the two-call rule.
#include <memory>
#include <vector>

#include "encode/codec.h"
#include "msg/crypt_handles.h"
#include "platform/boundary.h"
#include "simple_msg/para_checks.h"
#include "win32/crypt_simple_msg.h"

namespace platform::crypt::simple_msg {

namespace {

struct MsgCloser {
    void operator()(void* m) const noexcept { CryptMsgClose(m); }
};

void encryptMessage(const CRYPT_ENCRYPT_MESSAGE_PARA& para, DWORD cRecipientCert, PCCERT_CONTEXT rgpRecipientCert[],
                    const BYTE* pbToBeEncrypted, DWORD cbToBeEncrypted, BYTE* pbEncryptedBlob,
                    DWORD* pcbEncryptedBlob) {
    checkEncoding(para.dwMsgEncodingType);
    if (para.dwFlags || para.dwInnerContentType) throw WinError(E_INVALIDARG, "flags or inner content type");
    std::vector<PCERT_INFO> recipients;
    for (const PCCERT_CONTEXT certificate : items(rgpRecipientCert, cRecipientCert)) {
        if (!certificate || !certificate->pCertInfo) throw WinError(E_INVALIDARG, "null recipient certificate");
        recipients.push_back(certificate->pCertInfo);
    }
    CMSG_ENVELOPED_ENCODE_INFO info{sizeof info,
                                    para.hCryptProv,
                                    para.ContentEncryptionAlgorithm,
                                    para.pvEncryptionAuxInfo,
                                    static_cast<DWORD>(recipients.size()),
                                    recipients.data()};
    const std::unique_ptr<void, MsgCloser> message(
        CryptMsgOpenToEncode(para.dwMsgEncodingType, 0, CMSG_ENVELOPED, &info, nullptr, nullptr));
    if (!message) msg::throwLastError("CryptMsgOpenToEncode");
    if (!CryptMsgUpdate(message.get(), pbToBeEncrypted, cbToBeEncrypted, TRUE)) msg::throwLastError("CryptMsgUpdate");
    if (!CryptMsgGetParam(message.get(), CMSG_CONTENT_PARAM, 0, pbEncryptedBlob, pcbEncryptedBlob))
        msg::throwLastError("CryptMsgGetParam");
}

}  // namespace

}  // namespace platform::crypt::simple_msg

BOOL CryptEncryptMessage(PCRYPT_ENCRYPT_MESSAGE_PARA pEncryptPara, DWORD cRecipientCert,
                         PCCERT_CONTEXT rgpRecipientCert[], const BYTE* pbToBeEncrypted, DWORD cbToBeEncrypted,
                         BYTE* pbEncryptedBlob, DWORD* pcbEncryptedBlob) noexcept {
    using namespace platform::crypt::simple_msg;
    return platform::winBool([&] {
        encryptMessage(checkedPara(pEncryptPara), cRecipientCert, rgpRecipientCert, pbToBeEncrypted,
                       cbToBeEncrypted, pbEncryptedBlob, pcbEncryptedBlob);
        return true;
    });
}
