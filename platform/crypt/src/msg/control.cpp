#include "msg/control.h"

#include "msg/unsigned_attributes.h"
#include "msg/verify_signer.h"
#include "platform/win_error.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

template <class Para>
const Para& paraOf(const void* para) {
    if (!para) throw WinError(E_INVALIDARG, "no control parameters");
    const auto& p = *static_cast<const Para*>(para);
    if (p.cbSize != sizeof p) throw WinError(E_INVALIDARG, "control parameters of another size");
    return p;
}

const CERT_PUBLIC_KEY_INFO& signerKeyOf(const CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA& p) {
    if (!p.pvSigner) throw WinError(E_INVALIDARG, "no signer key");
    switch (p.dwSignerType) {
    case CMSG_VERIFY_SIGNER_PUBKEY: return *static_cast<const CERT_PUBLIC_KEY_INFO*>(p.pvSigner);
    case CMSG_VERIFY_SIGNER_CERT: {
        const auto* certificate = static_cast<PCCERT_CONTEXT>(p.pvSigner);
        if (!certificate->pCertInfo) throw WinError(E_INVALIDARG, "certificate without CERT_INFO");
        return certificate->pCertInfo->SubjectPublicKeyInfo;
    }
    default: throw WinError(E_INVALIDARG, "signer type " + std::to_string(p.dwSignerType));
    }
}

}  // namespace

void control(Message& message, DWORD type, const void* para) {
    switch (type) {
    case CMSG_CTRL_VERIFY_SIGNATURE: {
        if (!para) throw WinError(E_INVALIDARG, "no signer certificate");
        const auto& certificate = *static_cast<const CERT_INFO*>(para);
        return verifySigner(message, signerOf(message, certificate), certificate.SubjectPublicKeyInfo, 0);
    }
    case CMSG_CTRL_VERIFY_SIGNATURE_EX: {
        const auto& p = paraOf<CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA>(para);
        return verifySigner(message, p.dwSignerIndex, signerKeyOf(p), p.hCryptProv);
    }
    case CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR: {
        const auto& p = paraOf<CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA>(para);
        const View attribute = p.blob.pbData ? View(p.blob.pbData, p.blob.cbData) : View();
        return message.reencode(
            [&](const MessageParts& parts) { return withUnsignedAttributeAdded(parts, p.dwSignerIndex, attribute); });
    }
    case CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR: {
        const auto& p = paraOf<CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR_PARA>(para);
        return message.reencode([&](const MessageParts& parts) {
            return withUnsignedAttributeDeleted(parts, p.dwSignerIndex, p.dwUnauthAttrIndex);
        });
    }
    default: throw WinError(CRYPT_E_CONTROL_TYPE, "control " + std::to_string(type) + " is not offered");
    }
}

}  // namespace platform::crypt::msg
