// TPkcs7: a CMS / PKCS#7 SignedData message opened for reading, and the
// answers about it: its signers with their algorithms, signing time,
// signature, certificate and signed and unsigned attributes (signing
// certificate v1 and v2, signature-policy identifier, time-stamp token), its
// content and its whole encoding. Every result is an error number: 0, or N
// whose text is message 10000 + N.
#pragma once

#include <string>
#include <vector>

#include "common/cert_info.h"
#include "common/owned_context.h"
#include "common/crypt_provider.h"
#include "common/sign_policy_decoder.h"
#include "win32/crypt_msg.h"
#include "win32/crypt_store.h"

class TPkcs7 {
public:
    // No message, no provider.
    TPkcs7() = default;
    // Shares the message (CryptMsgDuplicate) and acquires a provider of its
    // own when the source holds one: the two never share a provider handle.
    TPkcs7(const TPkcs7& other);
    TPkcs7& operator=(const TPkcs7&) = delete;
    virtual ~TPkcs7();

    // Closes the message, if one is open.
    void Close();
    // Acquires the provider (no container, verify context) as the object's
    // own, in place of any earlier one; nonzero on success.
    int SelectProvider(const TCryptProvider& provider);
    // 1 with the provider copied out when the object holds one of its own.
    int GetProvider(TCryptProvider& out) const;

    // Decodes the message with the provider (0: CryptoAPI's default). A
    // message whose digest the provider lacks is
    // decoded again through the first provider that knows SHA-256. A
    // detached message takes its content (30 when it is empty). 2, 32, 503,
    // 504 or 1024 when decoding fails; the object is then empty.
    DWORD Open(const std::vector<BYTE>& message, HCRYPTPROV provider = 0, DWORD detached = 0,
               const std::vector<BYTE>& content = {});

    // The open message (null when none is), still the object's own: for the
    // controls that change it in place before it is encoded again.
    HCRYPTMSG GetMessageHandle() const noexcept { return m_message; }

    DWORD GetSignerCount(DWORD& count) const;
    DWORD GetEncodedMessage(std::vector<BYTE>& out) const;
    // A message without content leaves out unchanged.
    DWORD GetContent(std::vector<BYTE>& out) const;

    // Per signer n, counted from 0: 504 with no message open, 1023 for a
    // signer that is not there, 505 when the message cannot answer; outputs
    // are written only on success, lists emptied first.
    DWORD GetSignerHashAlgOid(DWORD n, std::string& oid) const;
    DWORD GetSignerSignAlgOid(DWORD n, std::string& oid) const;
    // The signingTime attribute; 505 without one.
    DWORD GetSignerSigningTime(DWORD n, FILETIME& time) const;
    DWORD GetSignerSignature(DWORD n, std::vector<BYTE>& signature) const;
    // The first value of each attribute with the OID, parameter
    // CMSG_SIGNER_AUTH_ATTR_PARAM or CMSG_SIGNER_UNAUTH_ATTR_PARAM; 508 when
    // there is none.
    DWORD GetSignerAttributeValues(DWORD n, DWORD param, const std::string& oid,
                                   std::vector<std::vector<BYTE>>& values) const;
    // The unsigned time-stamp token attribute; 904 without one.
    DWORD GetSignerTimeStampToken(DWORD n, std::vector<BYTE>& token) const;
    // The certificate hash of the SigningCertificate attribute (SHA-1): with
    // hex nonzero as "abcd ef01 ...", else Base64. 509 without the
    // attribute, 515 when it occurs more than once.
    DWORD GetSignerSigningCertHash(DWORD n, std::string& hash, DWORD hex) const;
    // The same for SigningCertificateV2, with its hash algorithm (SHA-256
    // when the attribute names none).
    DWORD GetSignerSigningCertHashV2(DWORD n, std::string& hashOid, std::string& hash, DWORD hex) const;
    // The signature-policy identifier; 3201 when the signer names none.
    DWORD GetSignerPolicyId(DWORD n, SignPolicyId& id) const;
    // The signer's certificate from the message, the user's "MY" and
    // "AddressBook" stores or the extra store; a record of only the issuer
    // and serial number when none has it.
    DWORD GetSignerCertificate(DWORD n, CertInfo& out, HCERTSTORE extra) const;
    // One record per signer from first up to (not including) last, the
    // range cut to the signers there are.
    DWORD GetSignerCertificates(std::vector<CertInfo>& out, HCERTSTORE extra, DWORD first, DWORD last) const;

private:
    // 0, 504, 505 or 1023.
    DWORD CheckSigner(DWORD n) const;

    HCRYPTMSG m_message = nullptr;
    // The message's certificates, opened at the first signer's certificate
    // asked for and kept while the message is open (the controls that change
    // the message in place change no certificate).
    mutable OwnedCertStore m_messageStore;
    HCRYPTPROV m_provider = 0;  // acquired by the object itself; 0 when none
    TCryptProvider m_chosen;    // the provider behind m_provider
};
