// cms_encrypt.cpp: a buffer encrypted for one recipient's certificate into
// a DER EnvelopedData through CryptEncryptMessage.
#include "common/cert_context.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "pkcs7_query.h"
#include "win32/crypt_simple_msg.h"

DWORD TCryptoapi::EncryptBuffer(const std::string& algorithmOid, PCCERT_CONTEXT recipient,
                                const std::vector<BYTE>& data, std::vector<BYTE>& out) const {
    return pkcs7::Guarded([&]() -> DWORD {
        CMSG_RC2_AUX_INFO rc2{sizeof rc2, m_rc2KeyLength};
        CRYPT_ENCRYPT_MESSAGE_PARA parameters{};
        parameters.cbSize = sizeof parameters;
        parameters.dwMsgEncodingType = kCertEncoding;
        parameters.ContentEncryptionAlgorithm.pszObjId = const_cast<LPSTR>(algorithmOid.c_str());
        if (algorithmOid == szOID_RSA_RC2CBC && m_rc2KeyLength) parameters.pvEncryptionAuxInfo = &rc2;
        PCCERT_CONTEXT recipients[] = {recipient};
        const auto size = static_cast<DWORD>(data.size());
        DWORD encryptedSize = 0;
        if (!CryptEncryptMessage(&parameters, 1, recipients, data.data(), size, nullptr, &encryptedSize))
            return kErrEncryption;
        std::vector<BYTE> encrypted(encryptedSize);
        if (!CryptEncryptMessage(&parameters, 1, recipients, data.data(), size, encrypted.data(), &encryptedSize))
            return kErrEncryption;
        encrypted.resize(encryptedSize);
        out = std::move(encrypted);
        return 0;
    });
}

DWORD TCryptoapi::EncryptBufferForCert(const std::string& algorithmOid, const CertInfo& recipient,
                                       const std::vector<BYTE>& data, std::vector<BYTE>& out) const {
    const OwnedCertContext context(CertContextFromInfo(recipient));
    if (!context) return kErrSignCertificate;
    return EncryptBuffer(algorithmOid, context.get(), data, out);
}
