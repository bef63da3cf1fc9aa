// TCryptoapi: the object through which the signing component reaches
// CryptoAPI. It holds one provider (name, type and handle) and the
// certificates found in that provider's key containers, and it groups the
// certificate decoders, the algorithm translations and the hashing that
// chooses a provider able to compute the algorithm.
#pragma once

#include <string>
#include <vector>

#include "common/cert_info.h"
#include "common/crypt_provider.h"
#include "common/rdn_attr.h"
#include "common/sign_policy.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_store.h"

// Error numbers of this class (message 10000 + number).
inline constexpr DWORD kErrCspUnusable = 5000;             // the provider cannot be acquired
inline constexpr DWORD kErrNoContainerCertificate = 5004;  // no key container holds a certificate

// Records of the enrolment library (pentak/src/key_records.h).
struct CertKeyInfo;
struct EnrollEntry;

// GetKeyIdentifiers: which identifier.
inline constexpr DWORD kAuthorityKeyId = 0;
inline constexpr DWORD kSubjectKeyId = 1;

class TCryptoapi : public TCryptProvider {
public:
    // Fills the process-wide list of installed providers when it is empty.
    TCryptoapi();
    ~TCryptoapi() override;
    TCryptoapi(const TCryptoapi&) = delete;
    TCryptoapi& operator=(const TCryptoapi&) = delete;

    // Releases the held provider and holds the given one instead; 0.
    virtual DWORD SetProvider(HCRYPTPROV provider, DWORD type, const std::string& name);
    // Acquires the provider without a container. With enumerateContainers,
    // the certificates on the keys of its containers replace the certificate
    // list (5004 when there are none); without, the list is emptied. Then
    // the provider is held: 0. 5000 when it cannot be acquired.
    virtual DWORD EnumContainerCertificates(const std::string& name, DWORD type, bool enumerateContainers);

    HCRYPTPROV GetProviderHandle() const noexcept { return m_provider; }
    const std::vector<CertInfo>& GetCertificates() const noexcept { return m_certificates; }

    // ---- Certificate description records ----

    // Fills out from the context, keeping only its label: 1, or 0 for a
    // context that is not X.509.
    static DWORD GetCertInfo(PCCERT_CONTEXT context, CertInfo& out);
    // 0 when the bytes are no certificate.
    static DWORD CertInfoFromDer(const std::vector<BYTE>& der, CertInfo& out);
    // The context's key-provider property from the record's provider,
    // container, type and key spec; the result of setting it.
    static BOOL SetKeyProvInfo(PCCERT_CONTEXT context, const CertInfo& info);
    // The same from the fields of a wide record.
    static BOOL SetKeyProvInfo(PCCERT_CONTEXT context, const std::u16string& provider, const std::u16string& container,
                               DWORD type, DWORD keySpec);
    // The certificate stored on the provider's key of that spec; 0 when
    // there is no key, no certificate or it does not decode.
    static DWORD GetKeyCertificate(HCRYPTPROV provider, DWORD keySpec, CertInfo& out);

    // ---- Names and extensions (lists and texts are appended to) ----

    // The attributes of an encoded name in encoded order; nonzero when at
    // least one was added.
    static DWORD DecodeObject(const CERT_NAME_BLOB& name, std::vector<TRDNAttr>& out);
    // The same for a decoded name; nonzero when out is not empty afterwards.
    static DWORD RdnValueToString(const CERT_NAME_INFO& name, std::vector<TRDNAttr>& out);
    // CryptoAPI's name of an RDN attribute OID ("CN"), empty when unknown.
    static std::string GetRdnShortName(const std::string& oid, bool lowerCase);
    // Subject alternative names: OID text the choice number, value type 7;
    // an other name carries its type OID, its string type and flags 1.
    // Wide entries hold the texts as UTF-16, narrow ones as ANSI.
    static DWORD GetAltNames(const CERT_INFO& info, std::vector<TRDNAttr>& out);
    static DWORD GetAltNames(const CERT_INFO& info, std::vector<TRDNAttrW>& out);
    // The issuer alternative names ("2.5.29.18", else "2.5.29.8") likewise.
    static DWORD GetIssuerAltNames(const CERT_INFO& info, std::vector<TRDNAttr>& out);
    static DWORD GetIssuerAltNames(const CERT_INFO& info, std::vector<TRDNAttrW>& out);
    // Replaces out with the identifier; 1, or 0 when it is missing or does
    // not decode.
    static DWORD GetKeyIdentifiers(PCCERT_CONTEXT context, DWORD which, std::vector<BYTE>& out);
    // 1 when the usages were listed or the certificate names none, else 0.
    // Each usage is an entry holding only its OID.
    static DWORD GetEnhancedKeyUsage(PCCERT_CONTEXT context, std::vector<TRDNAttr>& out);
    static DWORD GetEnhancedKeyUsage(PCCERT_CONTEXT context, std::vector<TRDNAttrW>& out);
    // 0 when the extension is missing, else 1.
    static DWORD GetCertPolicies(PCCERT_CONTEXT context, std::vector<std::string>& out);
    static DWORD GetQcStatements(PCCERT_CONTEXT context, std::vector<std::string>& out);
    // The certification authority's own extension as text; 1, or 0 when it
    // is missing or does not decode.
    static DWORD GetMakerExtension(PCCERT_CONTEXT context, std::string& out);
    // The same as UTF-16 (the pair number of the renewal program); false
    // when it is missing or does not decode.
    static bool GetMakerExtension(PCCERT_CONTEXT context, std::u16string& out);
    // The Netscape comment ("2.16.840.1.113730.1.13", the card number); false
    // when the certificate has none or it does not decode.
    static bool GetNetscapeComment(PCCERT_CONTEXT certificate, std::u16string& out);

    // ---- Algorithms (groups: 0 any, 1 hash, 4 signature) ----

    // CryptoAPI's ALG_ID, else the built-in SHA-2 rows; 0 when none has it.
    static ALG_ID OidToAlgId(const std::string& oid);
    static std::string AlgIdToOid(ALG_ID algId, DWORD group);
    static std::string GetAlgName(ALG_ID algId, DWORD group);
    // The name of the public-key algorithm a signature is made with: of the
    // key algorithm a signature OID names ("RSA" for sha256RSA, "ECDSA" for
    // sha256ECDSA), the signature's own where it names no other
    // ("RSASSA-PSS"), else the OID's name in any group (rsaEncryption: "RSA").
    static std::string GetSignatureKeyAlgName(const std::string& signatureOid);
    // The ALG_ID of the algorithm with that display name; 0 when unknown.
    static ALG_ID GetOidName(const std::string& name, DWORD group);
    // CryptoAPI's display name of the OID in the group, else the built-in
    // SHA-2 record's (signature rows for group 0 or 4, hash rows for 0 or
    // 1, any group for 0); empty when none has it.
    static std::u16string GetOidName(const std::u16string& oid, DWORD group = 0);
    // The same in any group, as ANSI text.
    static std::string GetOidName(const std::string& oid);
    // The OID when CryptoAPI knows it as a hash; otherwise SHA-1's OID with
    // useDefault, else empty.
    static std::string CheckHashAlgOid(const std::string& oid, DWORD useDefault);

    // ---- Providers for algorithms ----

    // The first candidate provider that supports the algorithm: the machine
    // default of type 1, the two AES providers, Enhanced, KavloCSP. 1 with
    // out set, or 0.
    static DWORD FindProviderForAlg(ALG_ID algId, TCryptProvider& out);
    // The hash of the data with the held provider, or with a candidate when
    // the held one lacks the algorithm; nonzero on success. Empty data fails.
    DWORD HashData(const BYTE* data, DWORD length, ALG_ID algId, std::vector<BYTE>& out);
    DWORD HashVector(const std::vector<BYTE>& data, ALG_ID algId, std::vector<BYTE>& out);
    // Appends the provider's container names; true when the enumeration ran
    // to its end.
    static bool EnumContainers(HCRYPTPROV provider, std::vector<std::string>& out);

    // ---- Signature verification and chain checks (chain_check.h and
    //      cms_verify.h hold the flags and the store helpers) ----

    // Verifies every signer of the message: detached over *content when it
    // is given, else attached. Each signer whose signature verifies is then
    // checked as flags ask (kCheckSigningCert, kCheckChain and
    // kCheckRevocation at checkTime or now, kCheckTimeValid) and always
    // against the trusted-certificate list. The signers' certificates are
    // looked for in the message, the user's stores and extraStore. 0 when
    // every signer passed (and, when asked for, the content was obtained);
    // else the number of the last signer that failed, or of the failure to
    // open the message or fetch its content. Signers that passed are
    // described into *signers; GetSignerResults tells each signer's number.
    DWORD VerifyMessage(HCERTSTORE extraStore, const std::vector<BYTE>& message, const std::vector<BYTE>* content,
                        DWORD flags, std::vector<BYTE>* outContent, std::vector<CertInfo>* signers,
                        const FILETIME* checkTime);
    // VerifyMessage of an attached message with a memory store of the extra
    // records (none: no extra store).
    DWORD VerifyMessageWithCerts(const std::vector<CertInfo>* extra, const std::vector<BYTE>& message, DWORD flags,
                                 std::vector<BYTE>* outContent, std::vector<CertInfo>* signers,
                                 const FILETIME* checkTime);
    // One entry per signer of the last verification, in signer order: 0 for
    // a signer that passed, else its error number.
    const std::vector<DWORD>& GetSignerResults() const noexcept { return m_signerResults; }

    // Builds the certificate's chain at checkTime (null: now) with its
    // issuers also looked for in additionalStore, with revocation checking
    // below the root when flags hold both kCheckChain and kCheckRevocation.
    // Errors that the flags overlook are masked: none with both, an unknown
    // revocation status with kCheckChain alone, also a partial chain and an
    // untrusted root otherwise. Writes the masked error status and the
    // chain's information status; a masked status sets the thread's last
    // error (SEC_E_UNTRUSTED_ROOT, SEC_E_CERT_EXPIRED, CRYPT_E_REVOKED,
    // TRUST_E_CERT_SIGNATURE, SEC_E_CERT_UNKNOWN). 1 when nothing is left
    // after masking; 0 then, or when no chain can be built.
    static DWORD CheckChain(PCCERT_CONTEXT context, DWORD flags, HCERTSTORE additionalStore, DWORD* errorStatus,
                            DWORD* infoStatus, const FILETIME* checkTime);
    // CheckChain of the record's certificate with its own store as the
    // additional store; 0 when the record yields no context.
    static DWORD CheckCertificate(const CertInfo& record, DWORD flags, DWORD* errorStatus, DWORD* infoStatus,
                                  const FILETIME* checkTime);
    // Appends a record for every element of the certificate's chain (now, no
    // revocation) from index first on (1 leaves the certificate itself out),
    // the root last. Nonzero on success; 0 when no context or chain can be
    // made or an element cannot be described (the records before it stay).
    static DWORD CheckCertificateChain(const CertInfo& record, std::vector<CertInfo>& out, DWORD first);
    // The names of the set trust bits, each after a blank: the error bits
    // (" CERT_TRUST_NO_ERROR" for none), then the information bits.
    static std::string TrustStatusText(DWORD errorStatus, DWORD infoStatus);
    // The error number of a chain's error status: 0 for none, else the
    // number of its most telling bit, 1001 for bits without one of their own.
    static DWORD ChainStatusToError(DWORD errorStatus);
    // Whether the hash text (hexadecimal with hex, else Base64) is the hash
    // of the certificate with the algorithm of hashOid: 0 equal, 1025
    // different, 13 or 5 for text that does not decode, 8 when the hash
    // cannot be computed, 30 for an empty text.
    DWORD CompareCertHash(PCCERT_CONTEXT context, const std::string& hashOid, const std::string& hash, DWORD hex);
    // Describes into out the first wanted record (by issuer and serial
    // number) present among the records, or in the current user's system
    // store of that name; 1 when found, 0 when not, when records is empty or
    // the store cannot be opened.
    static DWORD GetMessageCertsFromList(const std::vector<CertInfo>& records, const std::vector<CertInfo>& wanted,
                                         CertInfo& out);
    static DWORD GetMessageCertsFromSystemStore(const std::u16string& storeName, const std::vector<CertInfo>& wanted,
                                                CertInfo& out);

    // ---- Dialogs (the selection is TSelectCertDlg's, select_cert_dlg.h) ----

    // Shows the certificate in CryptUI's view dialog, modal over owner, for
    // looking only: no certification path, no editing of its properties, no
    // adding to a store. TRUE once shown; FALSE for a null context, when
    // CryptUI or its dialog is missing, or when the dialog fails.
    static BOOL ViewCertificate(HWND owner, PCCERT_CONTEXT context);

    // ---- Signing, time stamps and encryption (cms_sign.h holds the flags
    //      and the error numbers) ----

    // A DER SignedData over data, signed with the key that the signer
    // record's key-provider fields name, with the hash of hashOid and the
    // signed attributes that flags and the policy ask for. The message
    // carries the certificates of the records, in their order (a record
    // without a certificate is skipped), and no others. With a policy, the
    // hash, the form and the signer's chain are held against it before the
    // key is used. 0 with out written, else an error number.
    static DWORD SignBufferWithCert(const CertInfo& signer, const std::vector<CertInfo>& certificates,
                                    const std::string& hashOid, DWORD flags, const std::vector<BYTE>& data,
                                    std::vector<BYTE>& out, const SignPolicyInfo* policy);
    // The token as the signature time-stamp attribute of signer n of the
    // message, encoded again into out; the number of opening the message or
    // of adding the attribute.
    static DWORD AddTimeStampToken(DWORD signer, const std::vector<BYTE>& token, const std::vector<BYTE>& message,
                                   std::vector<BYTE>& out);
    // The attribute after the unsigned attributes of signer n of the open
    // message: 0; 504 without a message; 506 when it cannot be added.
    static DWORD AddSignerUnauthAttr(HCRYPTMSG message, DWORD signer, const CRYPT_ATTRIBUTE& attribute);
    // A DER EnvelopedData of data for the recipient's certificate, the
    // content encrypted with the algorithm of algorithmOid, RC2 with this
    // object's key length: 0 with out written, or 3030.
    DWORD EncryptBuffer(const std::string& algorithmOid, PCCERT_CONTEXT recipient, const std::vector<BYTE>& data,
                        std::vector<BYTE>& out) const;
    // The same for the record's certificate; 3000 when it holds none.
    DWORD EncryptBufferForCert(const std::string& algorithmOid, const CertInfo& recipient,
                               const std::vector<BYTE>& data, std::vector<BYTE>& out) const;

private:
    HCRYPTPROV m_provider = 0;
    std::vector<CertInfo> m_certificates;
    std::vector<DWORD> m_signerResults;  // of the last VerifyMessage
    DWORD m_rc2KeyLength = 40;           // bits, for RC2 encryption

public:
    // ==== Members of the enrolment library, defined in pentak/src/ ====
    // Their text is UTF-16. A member that fails keeps the thread's last
    // error as this object's error code too.

    DWORD GetLastErrorCode() const noexcept { return m_lastErrorCode; }

    // Appends the providers of the type (0: every type) in CryptoAPI's
    // order. For type 0 or 1 "KavloCSP" follows when the list holds no
    // record of that name of type 0 or 1 and a verify context of it can be
    // acquired. The number of records in out.
    static DWORD EnumProviders(std::vector<TCryptProviderW>& out, DWORD type);
    // Replaces out with the provider's containers (through a verify
    // context). With a reader filter, only the containers that open under
    // the reader are kept.
    bool EnumProviderContainers(const std::u16string& provider, DWORD type, const std::u16string& readerFilter,
                                std::vector<std::u16string>& out);
    // Copies the provider's record of the algorithm into out. A provider's
    // algorithm list is read on its first lookup and kept by this object.
    bool FindProviderAlgorithm(const std::u16string& provider, DWORD type, ALG_ID algId, PROV_ENUMALGS_EX& out);

    // Registers each built-in SHA-2 record whose OID CryptoAPI does not
    // know; false at the first registration that fails.
    bool RegisterOIDInfo();

    // Adds the certificate to the current user's store: "Root" and "CA"
    // keep the properties of a copy already there, other stores replace it.
    bool AddToSystemStore(PCCERT_CONTEXT certificate, const std::u16string& store);
    // Kind 1: "MY", with the key the record names (which it must name);
    // kind 4: "Root" for a self-signed certificate, else "CA"; any other
    // kind: "AddressBook".
    bool AddToStoreByKind(const std::vector<BYTE>& certificate, const CertKeyInfo& key, DWORD kind);
    // The store's copy of the certificate (Base64 or PEM text), for the
    // caller to free; null when it is not there.
    PCCERT_CONTEXT FindCertInSystemStore(const std::u16string& store, const std::u16string& certificateText);
    // Shows the certificate in CryptUI's view dialog, owned by the window
    // (none: the active window). False when CryptUI or its dialog is not
    // installed, or for a null certificate.
    static bool ViewCertificate(PCCERT_CONTEXT certificate, HWND owner);

    // Clears the certificate of the container's key of that spec.
    bool RemoveContainerCertificate(const std::u16string& provider, DWORD type, const std::u16string& container,
                                    DWORD keySpec);
    // Whether the container's key of that spec has this public key.
    bool ContainerMatchesPublicKey(const std::u16string& provider, DWORD type, const std::u16string& container,
                                   DWORD keySpec, const CERT_PUBLIC_KEY_INFO& publicKey);
    // The hash of the data, with the provider or (0) a verify context of
    // type 1; the data go to the hash in pieces of at most 65,535 bytes.
    bool HashSha1(HCRYPTPROV provider, ALG_ID algId, const std::vector<BYTE>& data, std::vector<BYTE>& out);
    // The card number that the card provider keeps for the container.
    bool ReadCardNumber(const std::u16string& provider, DWORD type, const std::u16string& container,
                        std::u16string& out);
    // Writes data into the container as its key's parameter: for
    // "KavloCSP" the provider's own 0x10000020, else KP_CERTIFICATE, as the
    // blob of a zero byte, the length (32 bits, little-endian) and the
    // bytes. False with the failing call's last error.
    bool WriteContainerData(const std::u16string& provider, DWORD type, const std::u16string& container,
                            const std::string& data, DWORD keySpec);

    // A DER SignedData holding the data, signed with the certificate's key
    // under the hash of hashOid, with the signing time as the one signed
    // attribute and the listed certificates. 0, or an error number (see
    // pentak/src/sign_buffer.h).
    DWORD SignBuffer(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                     const std::u16string& hashOid, const std::vector<BYTE>& data, std::vector<BYTE>& out);
    // The same as Base64 text in lines of 72 characters ended by LF.
    DWORD SignBufferToText(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                           const std::u16string& hashOid, const std::vector<BYTE>& data, std::u16string& out);

    // The certificate's description with the key its key-provider property
    // names.
    static bool GetCertKeyInfo(PCCERT_CONTEXT certificate, CertKeyInfo& out);
    // The same for a certificate given as Base64 or PEM text.
    static bool GetCertKeyInfoFromText(const std::u16string& text, CertKeyInfo& out);

    // Writes every certificate of the entries onto its container's key and
    // marks it kCertWrittenToCard; false when any was not written (the
    // others are still tried).
    bool WriteCertificatesToCards(std::vector<EnrollEntry>& entries);
    // Adds the certificates whose kind the mask holds (1: with a key, into
    // "MY"; 2: without, into "AddressBook") and marks them installed; false
    // when any of them was not added.
    bool InstallCertificatesByKind(std::vector<EnrollEntry>& entries, DWORD kindMask);
    // The installation flags of an issued-certificate answer: 1 writes onto
    // the cards, 2 installs the certificates with keys, 16 those without.
    bool InstallCertificateChain(std::vector<EnrollEntry>& entries, DWORD flags);
    // Flag 4: each user certificate is handed to the card provider (which
    // must take certificates that way); flag 8: each CA certificate goes to
    // "Root" or "CA".
    bool InstallCertificates(const std::vector<std::vector<BYTE>>& userCertificates,
                             const std::vector<std::vector<BYTE>>& caCertificates, const std::u16string& provider,
                             DWORD flags);

private:
    // Keeps the thread's last error as the error code; false.
    bool Failed();
    // The card provider that takes certificates through its own parameter.
    bool TakesCardCertificates(const std::u16string& provider) const;

    DWORD m_lastErrorCode = 0;
    std::vector<std::u16string> m_cardCertificateProviders{u"KavloCSP", u"Zintra CSP"};
    std::vector<TCryptProviderW> m_lookedUpProviders;
    // ==== end of the enrolment library's members ====
};
