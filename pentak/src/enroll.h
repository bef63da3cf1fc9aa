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
#include "enroll_records.h"
#include "hsm_engine_com.h"
#include "key_records.h"
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

    // Shows an information box "Test komponenty." captioned "Pentak". 1.
    BOOL Test();
    // 1 when the certificate dialog library "cryptui.dll" can be loaded, else
    // 0; it is freed again.
    BOOL IsCryptUIAvailable();
    // Reserved: fail with E_NOTIMPL in the last error.
    BOOL Reserved1();
    BOOL Reserved2();

private:
    void readApplicationProfile();
    void releaseKeyContext();
    DWORD storeIfSupported(OptionalText& algorithmOid, std::u16string_view oid);

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
    // The containers read from providers.
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
