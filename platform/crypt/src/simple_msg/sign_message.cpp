// CryptSignMessage: one signer, the signing certificate's own key, through
// the same encoder as CryptMsgOpenToEncode. The size is measured before the
// key signs, so a size query or a short buffer costs no PIN.
#include <vector>

#include "encode/codec.h"
#include "msg/signed_encoder.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "simple_msg/para_checks.h"
#include "simple_msg/signing_key.h"
#include "win32/crypt_simple_msg.h"

namespace platform::crypt::simple_msg {

namespace {

template <class Context>
std::vector<CRYPTOAPI_BLOB> encodingsOf(std::span<const Context* const> contexts, BYTE* Context::*bytes,
                                        DWORD Context::*size) {
    std::vector<CRYPTOAPI_BLOB> blobs;
    for (const Context* context : contexts) {
        if (!context) throw WinError(E_INVALIDARG, "null context in the list");
        blobs.push_back({context->*size, context->*bytes});
    }
    return blobs;
}

void signMessage(const CRYPT_SIGN_MESSAGE_PARA& para, bool detached, DWORD cToBeSigned, const BYTE* rgpb[],
                 const DWORD rgcb[], BYTE* pbSignedBlob, DWORD* pcbSignedBlob) {
    checkEncoding(para.dwMsgEncodingType);
    if (!para.pSigningCert || !para.pSigningCert->pCertInfo) throw WinError(E_INVALIDARG, "no signing certificate");
    if (para.dwFlags || para.dwInnerContentType) throw WinError(E_INVALIDARG, "flags or inner content type");
    if (!detached && cToBeSigned != 1) throw WinError(E_INVALIDARG, "an attached signature covers one block");
    if (!pcbSignedBlob) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
    const auto blocks = items(rgpb, cToBeSigned);
    const auto sizes = items(rgcb, cToBeSigned);

    const SigningKey key = signingKeyOf(para.pSigningCert);
    CMSG_SIGNER_ENCODE_INFO signer{sizeof signer,   para.pSigningCert->pCertInfo,
                                   key.provider.get(), key.keySpec,
                                   para.HashAlgorithm, nullptr,
                                   para.cAuthAttr,     para.rgAuthAttr,
                                   para.cUnauthAttr,   para.rgUnauthAttr};
    std::vector<CERT_BLOB> certificates =
        encodingsOf<CERT_CONTEXT>(items(para.rgpMsgCert, para.cMsgCert), &CERT_CONTEXT::pbCertEncoded,
                                  &CERT_CONTEXT::cbCertEncoded);
    std::vector<CRL_BLOB> crls = encodingsOf<CRL_CONTEXT>(items(para.rgpMsgCrl, para.cMsgCrl),
                                                          &CRL_CONTEXT::pbCrlEncoded, &CRL_CONTEXT::cbCrlEncoded);
    const CMSG_SIGNED_ENCODE_INFO info{sizeof info,
                                       1,
                                       &signer,
                                       static_cast<DWORD>(certificates.size()),
                                       certificates.data(),
                                       static_cast<DWORD>(crls.size()),
                                       crls.data()};
    msg::SignedEncoder encoder(info, detached);
    for (DWORD i = 0; i < cToBeSigned; ++i) {
        if (!blocks[i] && sizes[i]) throw WinError(E_INVALIDARG, "null block");
        encoder.update({blocks[i], sizes[i]});
    }

    const DWORD room = *pcbSignedBlob;
    *pcbSignedBlob = static_cast<DWORD>(encoder.measure());
    if (!pbSignedBlob) return;
    if (room < *pcbSignedBlob) throw WinError(ERROR_MORE_DATA, "buffer too small for the signed message");
    *pcbSignedBlob = room;
    copyOut(encoder.finish(), pbSignedBlob, pcbSignedBlob);
}

}  // namespace

}  // namespace platform::crypt::simple_msg

BOOL CryptSignMessage(PCRYPT_SIGN_MESSAGE_PARA pSignPara, BOOL fDetachedSignature, DWORD cToBeSigned,
                      const BYTE* rgpbToBeSigned[], DWORD rgcbToBeSigned[], BYTE* pbSignedBlob,
                      DWORD* pcbSignedBlob) noexcept {
    using namespace platform::crypt::simple_msg;
    return platform::winBool([&] {
        signMessage(checkedPara(pSignPara), fDetachedSignature != FALSE, cToBeSigned, rgpbToBeSigned,
                    rgcbToBeSigned, pbSignedBlob, pcbSignedBlob);
        return true;
    });
}
