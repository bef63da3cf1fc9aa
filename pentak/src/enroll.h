// CEnroll: one enrolment session. A caller fills it (provider, container,
// key spec, subject, request attributes, requested extensions), runs an
// operation, reads the result and resets it before the next request. The
// COM object holds one session per object, the exported functions one for
// the process.
//
// Members return either a truth value (1 success, 0 failure with the
// thread's last error set) or a result code (0 success, else a Win32 error
// or an HRESULT, see ResultFromStatus). Failing steps are recorded in
// CMyError with level 10, source "Enroll" and the step's line number.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/load_library.h"
#include "common/owned_context.h"
#include "enroll_records.h"
#include "hsm_engine_com.h"
#include "key_records.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_types.h"
#include "win32/types.h"

enum sgAppProfile : int {
    sgAppProfileDefault = 0,
    sgAppProfileQuib_CP31 = 1,
};

class CEnroll {
public:
    // A text the caller may leave unset, which is not the same as empty.
    using OptionalText = std::optional<std::u16string>;

    // Where the machine's application profile is read, under
    // HKEY_LOCAL_MACHINE: a REG_DWORD value.
    static constexpr const char16_t* kProfileKey = u"SOFTWARE\\Tesk\\pentak";
    static constexpr const char16_t* kProfileValue = u"AppProfile";

    // Sets the defaults (Reset), loads the rich-edit library of the sign
    // dialog and registers the library's OID information.
    CEnroll();
    virtual ~CEnroll();
    CEnroll(const CEnroll&) = delete;
    CEnroll& operator=(const CEnroll&) = delete;

    // The result code of a step: 0 when ok, else error, or NTE_FAIL when
    // the failure left no error.
    static DWORD ResultFromStatus(bool ok, DWORD error);

    // Returns the session to its defaults: the request state is freed, the
    // key context released, the application profile read again from the
    // machine, and the process-wide diagnostic text emptied with level 1.
    // The sign dialog's title and the loaded rich-edit library stay.
    // Always 1.
    BOOL Reset();

    DWORD GetProviderType() const { return m_providerType; }
    void SetProviderType(DWORD type) { m_providerType = type; }
    // Also read as CSPName.
    const OptionalText& GetProviderName() const { return m_providerName; }
    void SetProviderName(OptionalText name) { m_providerName = std::move(name); }
    // Also read as KeyContainerName.
    const OptionalText& GetContainerName() const { return m_containerName; }
    void SetContainerName(OptionalText name) { m_containerName = std::move(name); }
    // AT_KEYEXCHANGE (1) or AT_SIGNATURE (2).
    DWORD GetKeySpec() const { return m_keySpec; }
    void SetKeySpec(DWORD keySpec) { m_keySpec = keySpec; }
    // CryptGenKey flags; CRYPT_EXPORTABLE also governs key import.
    DWORD GetGenKeyFlags() const { return m_genKeyFlags; }
    void SetGenKeyFlags(DWORD flags) { m_genKeyFlags = flags; }
    // The CERT_RDN_* type of subject and string attributes.
    DWORD GetAttributeStringType() const { return m_attributeStringType; }
    void SetAttributeStringType(DWORD type) { m_attributeStringType = type; }
    const OptionalText& GetSmartCardReaderName() const { return m_smartCardReaderName; }
    void SetSmartCardReaderName(OptionalText name) { m_smartCardReaderName = std::move(name); }
    const OptionalText& GetSmartCardName() const { return m_smartCardName; }
    const OptionalText& GetSignDlgTitle() const { return m_signDlgTitle; }
    void SetSignDlgTitle(OptionalText title) { m_signDlgTitle = std::move(title); }
    const OptionalText& GetSignCert() const { return m_signCert; }
    const OptionalText& GetCertificate() const { return m_certificate; }
    void SetCertificate(OptionalText certificate) { m_certificate = std::move(certificate); }
    const OptionalText& GetMessageTBS() const { return m_messageTBS; }
    void SetMessageTBS(OptionalText message) { m_messageTBS = std::move(message); }
    const OptionalText& GetSignedMessage() const { return m_signedMessage; }
    // Code page of the 8-bit texts of the exported functions.
    UINT GetCodePage() const { return m_codePage; }
    void SetCodePage(UINT codePage) { m_codePage = codePage; }
    // Read from the machine at construction and at every Reset; the caller
    // may change it until the next Reset.
    sgAppProfile GetApplicationProfile() const { return m_applicationProfile; }
    void SetApplicationProfile(sgAppProfile profile) { m_applicationProfile = profile; }

    // Exactly "text" or "base64" (case counts); else ERROR_INVALID_PARAMETER
    // and the encoding stays. 0 on success.
    DWORD SetMessageEncoding(std::u16string_view encoding);
    const std::u16string& GetMessageEncoding() const { return m_messageEncoding; }

    // The language of the library's texts, shared by every session, as "cs",
    // "sk" or "en" (set in any case). An empty or unknown code gives
    // ERROR_INVALID_PARAMETER and the language stays. 0 on success.
    DWORD SetGUILanguage(std::u16string_view code);
    std::u16string GetGUILanguage() const;

    // The algorithms of signatures and of the request's signature; a session
    // that names none uses SHA-1 ("1.3.14.3.2.26") and SHA-1 with RSA
    // ("1.3.14.3.2.29"). Setting one stores it when IsAlgOidSupported
    // gives 0 and returns that code.
    std::u16string GetHashAlgorithmOid() const;
    std::u16string GetSignatureAlgorithmOid() const;
    DWORD SetHashAlgorithmOid(std::u16string_view oid);
    DWORD SetSignatureAlgorithmOid(std::u16string_view oid);

    // Registers the OID information the library needs where CryptoAPI
    // lacks it. 0, or the error of the registration that failed.
    DWORD RegisterOIDInfo();
    // Whether the session's provider (name and type) has the algorithm of
    // the OID: 0 when it has; ERROR_INVALID_PARAMETER for an empty OID,
    // NTE_BAD_PROVIDER when no provider is named, 1911 when the OID names
    // no algorithm, else the error of the provider's lookup (NTE_FAIL when
    // the provider simply lacks it).
    DWORD IsAlgOidSupported(std::u16string_view oid);

    // The HSM engine (see THsmEngineCom), created by the first of these and
    // kept by Reset. 0, or the thread's last error (NTE_FAIL when none).
    DWORD HsmEngine_Init(std::u16string_view url, std::u16string_view device, LONG comPort);
    DWORD HsmEngine_TestConnection();
    // rootList is written only on success.
    DWORD HsmEngine_GetRootList(std::u16string& rootList);
    DWORD HsmEngine_WriteRoot(std::u16string_view certFileName);
    // Lets the engine go before the apartment it was made in ends (its
    // module goes with the apartment); the next of these members makes it
    // again.
    void HsmEngine_Release() { m_hsmEngine.Release(); }

    // Shows an information box "Test komponenty." captioned "Pentak". 1.
    BOOL Test();
    // 1 when the certificate dialog library "cryptui.dll" can be loaded, else
    // 0; it is freed again.
    BOOL IsCryptUIAvailable();
    // Reserved: fail with E_NOTIMPL in the last error.
    BOOL Reserved1();
    BOOL Reserved2();

    // ---- Keys and containers ----
    // The session's key context (KeyGenerate, KeySelect, KeyImport) stays
    // open until the next of them, KeyContainerDelete, Reset or the end of
    // the session.

    // The container as CryptoAPI is given it: the reader's prefix (a reader
    // name without "\\.\" becomes "\\.\<reader>\", one with it is taken as
    // it is; none without a reader) followed by the container name. A
    // container name that starts with "\\.\" is used alone.
    std::u16string FullContainerName() const;
    // Opens the session's container (full name, provider, type) as the key
    // context; the acquire's result, nothing recorded.
    BOOL KeySelect();
    // Creates the session's container and generates its key of KeySpec
    // with GenKeyFlags; the context stays open, also when the generation
    // fails. A container that exists fails with the provider's error.
    // Under application profile 1 DeleteObsoleteContent runs first.
    BOOL KeyGenerate();
    // Deletes the container of the session's provider, the name used as
    // given (no reader added), once the user has said Yes to it; the key
    // context is released. An empty name: ERROR_INVALID_PARAMETER, nothing
    // asked or recorded; No: ERROR_CANCELLED.
    BOOL KeyContainerDelete(std::u16string_view containerName);
    // Imports a PKCS#1 RSAPrivateKey, given as Base64 of its DER, as the
    // key of KeySpec into the new container ContainerName (as given),
    // exportable when GenKeyFlags holds CRYPT_EXPORTABLE; the context stays
    // open. ERROR_INVALID_PARAMETER for a key of other than nine integers,
    // a public exponent wider than 32 bits or a number wider than its place
    // beside the modulus.
    BOOL KeyImport(std::u16string_view base64Key);
    // The key pair of KeySpec in the key context as the DER of a PKCS#1
    // RSAPrivateKey (shortest integers), once the user has said Yes to
    // exporting it; else ERROR_CANCELLED. keyPair is emptied first.
    BOOL ExportKeyPair(std::vector<BYTE>& keyPair);
    // The same as Base64 text in lines of 72 characters ended by LF.
    BOOL KeyExport(std::u16string& base64Key);
    // The container name of the key context; ERROR_INVALID_PARAMETER when
    // none is open.
    BOOL GetProviderContainerName(std::u16string& containerName);

    // Yes/No questions over the active window, the second button the
    // default. The caption is the message captionId of the library's table,
    // the text the message textId formatted with the key context's
    // container name, or for Confirm with the UTF-16 texts (const char16_t*)
    // that follow. answer must be non-zero on entry (else
    // ERROR_INVALID_PARAMETER); it is -1 until the box has answered, then
    // the button (IDYES, IDNO).
    BOOL ConfirmContainerAction(int& answer, int captionId, int textId);
    BOOL Confirm(int& answer, int captionId, int textId, ...);

    // ---- Providers (EnumProviders a truth value, the others result codes) ----

    // Makes the index-th provider (from 0) of ProviderType (every type when
    // it is 0) the session's provider, name and type. An index past the
    // last leaves ProviderName empty; still 1. 0 only when the providers
    // cannot be listed.
    BOOL EnumProviders(LONG index);
    // The version of the session's provider in lower-case hexadecimal
    // ("200" for 2.0). NTE_BAD_PROVIDER without a provider name.
    DWORD GetProviderVersion(std::u16string& version);
    // 0 when the session's provider makes keys of KeySpec that long;
    // ERROR_NOT_SUPPORTED when it does not, NTE_BAD_PROVIDER without a
    // provider name, else the provider's error.
    DWORD IsKeylenSupported(DWORD bits);
    // The user's default provider of ProviderType.
    DWORD GetDefaultOSCSP(std::u16string& provider);

    // ---- Keys of containers and pending requests (result codes) ----
    // The entries come from the session's CSP store (fromCspStore; read as
    // it is, also without fromCache) or else from the pending requests: the
    // certificates of the user's "REQUEST" store whose key is in
    // ProviderName and whose public key has no certificate in "MY", in
    // store order. ERROR_NO_MORE_ITEMS when none is selected, also for an
    // index past the CSP store; NTE_BAD_PROVIDER for a CSP store entry of
    // another provider or type. The hashes are of the public keys, by the
    // hash algorithm of hashOid, in upper-case hexadecimal; every list is
    // joined by "|". The hash members put the certificates (Base64, joined
    // the same way) into Certificate, which they clear first.

    // The container name of the index-th entry.
    DWORD EnumContainers(LONG index, BOOL fromCspStore, std::u16string& containers);
    // The public-key hash of the index-th entry.
    DWORD EnumPubKeyHash(LONG index, std::u16string_view hashOid, BOOL fromCspStore, BOOL fromCache,
                         std::u16string& hashes);
    // The hashes of every entry.
    DWORD GetPubKeyHashList(std::u16string_view hashOid, BOOL fromCspStore, BOOL fromCache, std::u16string& hashes);
    // The hashes of the entries of that container.
    DWORD GetPubKeyHashContainer(std::u16string_view containerName, std::u16string_view hashOid, BOOL fromCspStore,
                                 BOOL fromCache, std::u16string& hashes);

    // ---- Certificates: enumeration, selection and deletion (result codes) ----
    // The certificates come from the user's "MY" store or, with fromCspStore,
    // from the session's CSP store. A certificate is usable when it is valid
    // now, names its key and, when caCerts (PEM certificates) is not empty,
    // was issued by one of them.

    // Reads the containers of the session's provider (filtered by
    // SmartCardReaderName) into the CSP store, with their certificates when
    // full is set; count is the number of entries. NTE_BAD_PROVIDER without
    // a provider name.
    DWORD CSPLoadStore(BOOL full, LONG& count);
    // The index-th usable certificate (from 0): its display text, cut to 99
    // characters when longer than 100, or its Base64 text. An index past
    // the last gives 0 and an empty text.
    DWORD EnumCertsEx(LONG index, std::u16string_view caCerts, BOOL fromCspStore, std::u16string& subject);
    DWORD GetCertEx(LONG index, std::u16string_view caCerts, BOOL fromCspStore, std::u16string& certificate);
    // The user picks one of the usable certificates in CryptUI's selection
    // dialog; its Base64 text. ERROR_CANCELLED when none was picked.
    DWORD SelectCertEx(std::u16string_view caCerts, BOOL fromCspStore, std::u16string& certificate);
    // Shows the certificate (Base64 or PEM) in CryptUI's view dialog.
    // ERROR_INVALID_PARAMETER for an empty text.
    DWORD ViewCert(std::u16string_view certificate);
    // The subject (issuer set: the issuer) of the encoded certificate in the
    // CertNameToStrW name type; a failing step is noted at level 2.
    BOOL CertNameBlobToStr(const BYTE* encoded, DWORD length, DWORD nameType, BOOL issuer, std::u16string& name);
    // The same for a certificate given as Base64 text.
    BOOL ParseCertSubjectToStr(std::u16string_view certificate, DWORD nameType, std::u16string& subject);
    BOOL ParseCertIssuerToStr(std::u16string_view certificate, DWORD nameType, std::u16string& issuer);

    // The deletions work only for a known card provider (ProviderName and
    // ProviderType as listed): NTE_BAD_PROVIDER without a name,
    // NTE_NOT_SUPPORTED for another, and nothing is touched. A CSP store
    // holding entries of another provider is emptied first.

    // Removes from the cards the certificates of the CSP store that expired
    // at least days ago; 0 only when every removal succeeded.
    DWORD DeleteExpiredCertificates(DWORD days);
    // Removes the certificate (Base64 or PEM) from the containers of the CSP
    // store that hold it. ERROR_INVALID_PARAMETER for an empty text.
    DWORD DeleteCertificate(std::u16string_view certificate);
    // Removes the certificates of the CSP store's container of that name
    // ("*": of every container); count is the number removed.
    DWORD DeleteCerts(std::u16string_view container, LONG& count);
    // Offers to delete each expired root certificate the card keeps, then
    // reloads the CSP store and offers to delete each container whose
    // certificates (at least one) have all expired: on Yes, its
    // certificates leave "MY" and the container is deleted. A deletion the
    // user cancels at the PIN counts as no failure.
    DWORD DeleteObsoleteContent();

    // ==== Certificate values (result codes) ====
    // One value of a certificate given as Base64 text (armour lines
    // allowed), of the kinds 1 to 33 of the type library's sgCertInfoTypes
    // (cert_values.h): ERROR_INVALID_PARAMETER for an empty text, the
    // decoder's error, ERROR_NOT_SUPPORTED (50) for another kind. The key
    // kinds (20 to 23) find the certificate's key in the CSP store, else in
    // "MY": NTE_BAD_KEYSET when neither names one.
    DWORD GetCertVal(std::u16string_view certificate, LONG kind, std::u16string& value);
    // The description as an XML document in UTF-16 (root "pentak", then
    // "Certificate" with the names, extensions, dates, key and provider);
    // a truth value, a failure recorded with the writer's error text.
    BOOL CertificateToXML(const CertInfo& certificate, std::u16string& xml);
    // Whether the issuer certificate issued the certificate (both Base64
    // text): its issuer name is the issuer's subject and its authority key
    // identifier the issuer's subject key identifier. 87 for an empty text,
    // the decoder's error for one that does not decode.
    DWORD IsIssued(std::u16string_view certificate, std::u16string_view issuer, BOOL& issued);

    // ==== Message signing (result codes) ====
    // Signs the message with the certificate (Base64 or PEM) of the CSP
    // store or of the user's "MY" store, whose key must be in the container
    // its key-provider property names (else NTE_BAD_PUBLIC_KEY; no such
    // certificate or key named: CRYPT_E_NOT_FOUND). The bytes signed: with
    // MessageEncoding "base64" the decoded message (shown as UTF-8), else
    // the text in CodePage (1200 UTF-16LE, 1201 UTF-16BE); a text the page
    // cannot hold whole, or no bytes, gives ERROR_INVALID_DATA. The user
    // sees the message, its hash by HashAlgorithmOid and the certificate in
    // the sign dialog; anything but Yes gives ERROR_CANCELLED. The attached
    // SignedData, with the signing time, as Base64 text in signedText and
    // SignedMessage. SignCert and MessageTBS take the arguments first and
    // SignedMessage is cleared; 87 for an empty argument.
    DWORD Sign(std::u16string_view certificate, std::u16string_view message, std::u16string& signedText);
    // Makes the certificate the signing one and the key it names the
    // session's: provider, container, type and key spec from its key
    // information, reader and card name cleared. CRYPT_E_NOT_FOUND when it
    // is not found as Sign finds it or names no key; an empty text fails.
    DWORD SetSignCert(std::u16string_view certificate);

    // ==== The PKCS#10 request ====
    // Members return 1, or 0 with the last error set. An OID argument that is
    // no OID gives ERROR_INVALID_PARAMETER and the session stays as it was.
    // A text value becomes bytes by its string type: UTF-16 for BMP (12) and
    // UTF-8 (13) strings, else the ANSI code page, where a character the page
    // lacks gives ERROR_NO_UNICODE_TRANSLATION.

    // Appends one RDN to the subject, typed by AttributeStringType; under
    // application profile 1 the usual name attributes take a fixed type.
    BOOL AddSubjectAttribute(std::string_view oid, std::u16string_view value);
    // Removes every subject attribute of that OID; 0 without an error for a
    // null OID.
    BOOL RemoveSubjectAttribute(std::string_view oid);
    // The subject of a certificate (Base64 or PEM) appended attribute by
    // attribute, each with the certificate's own string type, which stays as
    // AttributeStringType. Attributes without an OID and serial numbers
    // beginning "Tesk - " are left out. Result codes: 87 for an empty text,
    // the decoder's error, or the first failing attribute's.
    DWORD X509SubjectToReqTesk(std::u16string_view certificate);
    // The same; when the certificate names no given name, the given name and
    // surname follow as UTF-8 strings (both must then be given, else 87).
    DWORD X509SubjectToPersonalReqTesk(std::u16string_view certificate, std::u16string_view givenName,
                                       std::u16string_view surname);
    // The copy's attributes of the listed OIDs ("2.5.4.3,2.5.4.10"), then the
    // master's other attributes, as X509SubjectToPersonalReqTesk adds them.
    // Without a copy or a list: the master's attributes.
    DWORD X509MergeSubjectToPersonalReqTesk(std::u16string_view master, std::u16string_view copy,
                                            std::string_view oidList, std::u16string_view givenName,
                                            std::u16string_view surname);

    // Request attributes, each with one value, in the order added: a name
    // value of AttributeStringType; the OCTET STRING of the SHA-1 of such a
    // value's bytes; the provider and container names of the open key; the
    // card information its card provider gives (the Kavlo one only once).
    BOOL AddAttribute_String(std::string_view oid, std::u16string_view text);
    BOOL AddAttribute_StringSHA1(std::string_view oid, std::u16string_view text);
    BOOL AddAttribute_CSPInfo();
    BOOL AddAttribute_SmartCardInfo();
    BOOL AddAttribute_SmartCardInfoSC();
    BOOL AddAttribute_KavloCardInfo();

    // Requested extensions. Under application profile 1 only some are
    // allowed: a refused one is noted in the diagnostic text and dropped, and
    // the member still returns 1.
    // Key-usage bit 0 (digitalSignature) to 19; another gives 87.
    BOOL RequestedExtension_KeyUsage_SetBit(DWORD bit);
    BOOL RequestedExtension_KeyUsage_Reset();
    BOOL RequestedExtension_ExtKeyUsage_AddOid(std::string_view oid);
    BOOL RequestedExtension_CertPolicies_AddOid(std::string_view oid);
    // An alternative name of that CERT_ALT_NAME_* choice: an other name (text:
    // its OID, empty value), an RFC 822 name, DNS name or URL, an IP address
    // "a.b.c.d" or a registered ID. X.400 addresses, directory and EDI party
    // names give ERROR_UNSUPPORTED_TYPE, other choices 87.
    BOOL RequestedExtension_SubjectAltName_Add(DWORD type, std::u16string_view text);
    // An other name whose value is a name value of AttributeStringType
    // (UTF-8 for the user principal name under application profile 1).
    BOOL RequestedExtension_SubjectAltName_OtherName_Add(std::string_view oid, std::u16string_view value);
    // One CRL distribution point per name, of the same choices.
    BOOL RequestedExtension_CRLDistributionPoint_Add(DWORD type, std::u16string_view text);
    BOOL RequestedExtension_SetCritical(std::string_view oid, BOOL critical);
    // The extension's DER value as hexadecimal text: digits of either case,
    // other characters skipped, a "0x" prefix ignored, a last lone digit
    // dropped. A text without a byte gives 87.
    BOOL RequestedExtension_Add(std::string_view oid, BOOL critical, std::string_view hex);

    // ---- The card in the reader (result codes, RequestImport a truth value) ----

    // Finds the inserted cards whose card type the smart-card database
    // gives a provider, lets the user choose in the card dialog when there
    // are several, and makes the card's provider (with its installed type),
    // reader and card name the session's. The fields are cleared first and
    // stay so on failure: SCARD_E_UNKNOWN_READER without a reader,
    // SCARD_E_NO_SMARTCARD when no card is present or the readers cannot be
    // read, SCARD_E_CARD_UNSUPPORTED when no card has a provider,
    // ERROR_CANCELLED when the dialog is cancelled, NTE_FAIL when it ends
    // without a card, NTE_BAD_PROVIDER when the provider is not installed.
    DWORD GetPresentCardCSP(std::u16string& provider);
    // The card's number: the Kavlo provider's own parameter, or the serial
    // number of the token the provider's vendor module sees.
    // NTE_BAD_PROVIDER without a provider, ERROR_NOT_SUPPORTED for a
    // provider without either, else the reading's error.
    DWORD GetCardNumber(std::u16string& number);
    // Stores the prepared request on the session's card (TImportRequest)
    // under the full container name. A failure is recorded with the
    // import's result code and the module's return value.
    // NTE_BAD_PROVIDER without a provider, ERROR_INVALID_PARAMETER for an
    // empty request.
    BOOL RequestImport(std::u16string_view request);

    // The signed request of the open key as Base64 in lines of 72 characters
    // ended by LF. A copy waits in the user's "REQUEST" store for the issued
    // certificate. Under application profile 1 with the Kavlo card provider
    // the card's information is added first.
    BOOL CreatePKCS10(std::u16string& pkcs10);
    // The DER request into buffer, length holding its room; with no buffer
    // only the length (nothing is signed or stored).
    BOOL EncodeAndSignRequest(BYTE* buffer, DWORD& length);

    // ==== Installation of issued certificates ====
    // The issued certificate goes into the user's "MY" store bound to the
    // key that made its request: the open key context, else the key the
    // request's pending copy in "REQUEST" names. The pending copy stays.

    // Names the open key (its container and provider) in the certificate's
    // key-provider property, with ProviderType and KeySpec.
    BOOL SetKeyProvInfo(PCCERT_CONTEXT certificate);
    // Adds the certificate to "MY", replacing an equal one, with the
    // pending request's key-provider property, or without one the open
    // key's (SetKeyProvInfo).
    BOOL InstallIssuedCertificate(PCCERT_CONTEXT certificate, PCCERT_CONTEXT pendingRequest);
    // With an open key context: the store's certificate of its public key
    // (KeySpec), installed for it. Without: each certificate of the store
    // that has a pending request of its public key, installed for that
    // request; certificates without one (the CA certificates of a chain)
    // are passed over, and CRYPT_E_NOT_FOUND only when the store has
    // certificates and none was installed. An empty store gives 1.
    BOOL InstallFromStore(HCERTSTORE store);
    // One certificate as Base64 (armour lines allowed).
    BOOL AcceptX509(std::u16string_view base64);
    // The certificates of a PKCS#7 message as Base64 (armour lines allowed).
    BOOL AcceptPkcs7(std::u16string_view base64);
    // The user's certificates (Base64 items, each closed by a "-----END"
    // line; a text without one is one item) and the CA bundle (items as
    // CMF text, see cmf.h), installed by the flags: 1 onto the cards of
    // their keys, 2 into "MY" with their keys, 16 those without a key into
    // "AddressBook", 4 handed to the session's card provider, 8 the CA
    // certificates into "Root" or "CA". Each user certificate finds its key
    // by its public key in the CSP store, then among the pending requests
    // and in "MY". An item that does not decode fails the call before
    // anything is installed. The installation log ends the diagnostic
    // text. A result code.
    DWORD EnrollX509(std::u16string_view userCertificates, std::u16string_view caBundle, DWORD flags);
    // The CA bundle's certificates as PEM, each "-----BEGIN CERTIFICATE-----",
    // LF, Base64 in lines ended by LF, "-----END CERTIFICATE-----", LF.
    // An empty bundle gives 0 and leaves pem as it was; an item that does
    // not decode or holds no certificate fails (ERROR_INVALID_DATA) and
    // leaves it too. A result code.
    DWORD CmfToPem(std::u16string_view caBundle, std::u16string& pem);

private:
    // The user certificates of EnrollX509 grouped by the container of
    // their keys, and each one's issuer from the CA bundle (empty when
    // none issued it), in the order of the groups' certificates.
    struct InstallGroups {
        std::vector<EnrollEntry> entries;
        std::vector<std::vector<std::vector<BYTE>>> issuers;
    };
    // Before the Dravik card gets new certificates: removes those of its
    // containers that hold a certificate other than a self-signed root, and
    // hands the CA certificate between that root and the new certificates
    // to the HSM engine, whose answer is only logged; its own log ends the
    // diagnostic text. False when the CA certificate cannot be described.
    bool GPKPatch(const InstallGroups& groups);

    // Steps of the request.
    bool hasRequestAttribute(std::string_view oid) const;
    void addRequestAttribute(std::string_view oid, std::vector<BYTE> value);
    void storeExtensionValue(const std::string& oid, std::vector<BYTE> value);
    bool buildRequestedExtensions();
    bool encodeSubjectName(std::vector<BYTE>& out) const;
    bool storePendingRequest(const CERT_REQUEST_INFO& request, const CERT_SIGNED_CONTENT_INFO& signedRequest,
                             LPSTR signatureOid);

    void readApplicationProfile();
    void releaseKeyContext();
    DWORD storeIfSupported(OptionalText& algorithmOid, std::u16string_view oid);
    // Releases the key context and acquires the container (empty: the
    // default one) of the session's provider into it.
    bool acquireKeyContext(const std::u16string& container, DWORD flags);
    // The key context's container name (PP_CONTAINER); a failing call is
    // recorded at its line.
    bool readContainerName(std::u16string& out, int sizeLine, int valueLine) const;
    // Shows the Yes/No box; the button pressed.
    static int askYesNo(int captionId, const std::u16string& text);
    // The texts of the key-list members over the selected entries: the
    // index-th, every one (index -1), or, with a container name, every one
    // of that container.
    struct KeyLists {
        std::u16string containers, hashes, certificates;
    };
    DWORD listKeys(LONG index, std::u16string_view container, ALG_ID hashAlgId, bool fromCspStore,
                   KeyLists& out) const;
    // listKeys by a hash OID, the certificates put into Certificate.
    DWORD listKeyHashes(LONG index, std::u16string_view container, std::u16string_view hashOid, bool fromCspStore,
                        std::u16string& hashes);

    // The usable certificate at index, as text of that kind.
    enum class CertText { display, base64 };
    DWORD certificateAt(LONG index, std::u16string_view caCerts, bool fromCspStore, CertText kind,
                        std::u16string& out) const;
    // The store the certificates come from (see the block above).
    OwnedCertStore certificateSource(bool fromCspStore) const;
    bool cspStoreLacksCertificates() const;
    // The known-provider check of the deletions; it empties a stale CSP store.
    DWORD checkDeletionProvider();
    // Offers each expired root certificate of the card for deletion (Yes
    // deletes it); false when a question or a deletion failed.
    bool deleteExpiredCardRoots();
    // Removes the certificate from its key; false when that failed.
    bool removeCardCertificate(const CspStoreEntry& entry, CspKeyRecord& record) const;

    // The signing certificate as Sign finds it, with the key it names;
    // CRYPT_E_NOT_FOUND when either is missing.
    OwnedCertContext findSigningCertificate(const std::u16string& certificate) const;
    DWORD signingKeyOf(const std::u16string& certificate, OwnedCertContext& context, CertKeyInfo& key) const;

    THsmEngineCom m_hsmEngine;
    HCRYPTPROV m_hProv = 0;
    std::vector<SubjectAttribute> m_subjectAttributes;
    std::vector<RequestAttribute> m_requestAttributes;
    std::vector<std::string> m_extKeyUsageOids;
    std::vector<std::string> m_certPolicyOids;
    std::vector<AltNameEntry> m_subjectAltNames;
    std::vector<AltNameEntry> m_crlDistPoints;
    // Bit n is the mask 0x80 >> (n % 8) of byte n / 8.
    std::array<BYTE, 3> m_keyUsageBits = {};
    // Ordered by the bytes of the OID text, the order of the request.
    std::map<std::string, RequestedExtension> m_requestedExtensions;
    // Containers and certificates read from the session's provider.
    std::vector<CspStoreEntry> m_cspStore;
    TLoadLibrary m_richEditLibrary;
    DWORD m_genKeyFlags = 0;
    DWORD m_keySpec = 0;
    DWORD m_attributeStringType = 0;
    OptionalText m_containerName;
    OptionalText m_providerName;
    DWORD m_providerType = 0;
    OptionalText m_smartCardReaderName;
    OptionalText m_smartCardName;
    OptionalText m_signDlgTitle;
    OptionalText m_signCert;
    OptionalText m_certificate;
    OptionalText m_messageTBS;
    OptionalText m_signedMessage;
    OptionalText m_signatureAlgorithmOid;
    OptionalText m_hashAlgorithmOid;
    UINT m_codePage = 0;
    sgAppProfile m_applicationProfile = sgAppProfileDefault;
    std::u16string m_messageEncoding;
};
