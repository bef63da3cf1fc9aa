// CPentak: the COM class of the enrolment library. Each object is one
// enrolment session (a CEnroll); every member of its dual interface IPentak
// converts its arguments, calls the session member of the same meaning and
// turns the outcome into an HRESULT (result_rules.h). Out arguments are
// written only when the member succeeds; ProviderVersion hands out "N/A"
// beside its failure. Text arguments that the session takes as 8-bit text
// (OIDs, hexadecimal data) go through the ANSI code page; one the page
// cannot hold is refused with E_INVALIDARG rather than altered. The object
// may be aggregated and answers IUnknown, IDispatch and IPentak only.
#pragma once

#include <type_traits>

#include "enroll.h"

// The session declares the application profile's enumeration; the
// interface takes that one.
#define TESK_TYPELIB_HAS_sgAppProfile
#include "pentak_lib.h"
#include "platform/com/dispatch.h"
#include "platform/com/object.h"

static_assert(std::is_same_v<std::underlying_type_t<sgAppProfile>, LONG>,
              "ApplicationProfile travels as the type library's 32-bit enumeration");

class CPentak final : public platform::com::Object<CPentak, platform::com::Dispatch<IPentak>>, public CEnroll {
public:
    // Names are also looked up under IPentak's own identifier, as the
    // renewal program asks for them; any other interface stays unknown.
    HRESULT GetIDsOfNames(const IID& riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;

    HRESULT get_ProviderType(LONG* pVal) override;
    HRESULT put_ProviderType(LONG newVal) override;
    HRESULT get_ProviderName(BSTR* pVal) override;
    HRESULT put_ProviderName(BSTR newVal) override;
    HRESULT get_ContainerName(BSTR* pVal) override;
    HRESULT put_ContainerName(BSTR newVal) override;
    HRESULT get_KeySpec(LONG* pVal) override;
    HRESULT put_KeySpec(LONG newVal) override;
    HRESULT get_GenKeyFlags(LONG* pVal) override;
    HRESULT put_GenKeyFlags(LONG newVal) override;
    HRESULT KeySelect() override;
    HRESULT KeyGenerate() override;
    HRESULT KeyContainerDelete(BSTR bstrContName) override;
    HRESULT KeyImport(BSTR key) override;
    HRESULT KeyExport(BSTR* key) override;
    HRESULT get_AttributeStringType(LONG* pVal) override;
    HRESULT put_AttributeStringType(LONG newVal) override;
    HRESULT AddSubjectAttribute(BSTR oid, BSTR data) override;
    HRESULT AddAttribute_String(BSTR oid, BSTR data) override;
    HRESULT AddAttribute_CSPInfo() override;
    HRESULT AddAttribute_SmartCardInfo() override;
    HRESULT AddAttribute_StringSHA1(BSTR oid, BSTR data) override;
    HRESULT RequestedExtension_KeyUsage_SetBit(LONG bit) override;
    HRESULT RequestedExtension_ExtKeyUsage_AddOid(BSTR oid) override;
    HRESULT RequestedExtension_CertPolicies_AddOid(BSTR oid) override;
    HRESULT RequestedExtension_SubjectAltName_Add(LONG type, BSTR data) override;
    HRESULT RequestedExtension_CRLDistributionPoint_Add(LONG type, BSTR data) override;
    HRESULT CreatePKCS10(BSTR* pkcs10) override;
    HRESULT AcceptPkcs7(BSTR pkcs7) override;
    HRESULT AcceptX509(BSTR x509) override;
    HRESULT Reset() override;
    HRESULT RequestedExtension_SubjectAltName_OtherName_Add(BSTR oid, BSTR data) override;
    HRESULT RequestedExtension_SetCritical(BSTR oid, INT critical) override;
    HRESULT RequestedExtension_Add(BSTR oid, INT critical, BSTR hexData) override;
    HRESULT EnumProviders(LONG index) override;
    HRESULT RequestImport(BSTR bstrReq) override;
    HRESULT GetContainerName(BSTR* bstrContainer) override;
    HRESULT GetCardNumber(BSTR* bstrCardNumber) override;
    HRESULT ParseCertSubjectToStr(BSTR cert, LONG type, BSTR* subject) override;
    HRESULT ParseCertIssuerToStr(BSTR cert, LONG type, BSTR* issuer) override;
    HRESULT GetPresentCardCSP(BSTR* bstrCSP) override;
    HRESULT GetDefaultOSCSP(BSTR* bstrCSP) override;
    HRESULT CSPLoadStore(LONG full, LONG* lCount) override;
    HRESULT EnumPubKeyHash(LONG index, BSTR bstrHashOID, LONG boolCspStore, LONG boolFromCache,
                           BSTR* bstrHashVal) override;
    HRESULT GetPubKeyHashList(BSTR bstrHashOID, LONG boolCspStore, LONG boolFromCache, BSTR* bstrHashVal) override;
    HRESULT EnrollX509(BSTR bstrX509, BSTR bstrCaCmf, LONG lFlags) override;
    HRESULT DeleteCerts(BSTR bstrContainerStr, LONG* pNcerts) override;
    HRESULT get_Crytpui(LONG* pVal) override;
    HRESULT ViewCert(BSTR cert) override;
    HRESULT EnumCerts(LONG index, BSTR caCerts, BSTR* subject) override;
    HRESULT EnumCertsEx(LONG index, BSTR caCerts, LONG boolCspStore, BSTR* subject) override;
    HRESULT GetCert(LONG index, BSTR caCerts, BSTR* cert) override;
    HRESULT GetCertEx(LONG index, BSTR caCerts, LONG boolCspStore, BSTR* cert) override;
    HRESULT SelectCert(BSTR caCerts, BSTR* cert) override;
    HRESULT SelectCertEx(BSTR caCerts, LONG boolCspStore, BSTR* cert) override;
    HRESULT Sign(BSTR cert, BSTR message, BSTR* signedMessage) override;
    HRESULT DoSign() override;
    HRESULT get_CSPName(BSTR* pVal) override;
    HRESULT get_KeyContainerName(BSTR* pVal) override;
    HRESULT get_signedMessage(BSTR* pVal) override;
    HRESULT get_SignCert(BSTR* pVal) override;
    HRESULT put_SignCert(BSTR cert) override;
    HRESULT get_messageTBS(BSTR* pVal) override;
    HRESULT put_messageTBS(BSTR newVal) override;
    HRESULT EnumContainers(LONG index, LONG boolCspStore, BSTR* bstrContName) override;
    HRESULT GetPubKeyHashContainer(BSTR bstrContName, BSTR bstrHashOID, LONG boolCspStore, LONG from_cache,
                                   BSTR* bstrHashVal) override;
    HRESULT get_Certificate(BSTR* pVal) override;
    HRESULT put_Certificate(BSTR newVal) override;
    HRESULT GetCertVal(BSTR bstrCert, sgCertInfoTypes lType, BSTR* bstrVal) override;
    HRESULT SetHashAlgorithmOid(BSTR newVal) override;
    HRESULT GetHashAlgorithmOid(BSTR* pVal) override;
    HRESULT SetSignatureAlgorithmOid(BSTR newVal) override;
    HRESULT GetSignatureAlgorithmOid(BSTR* pVal) override;
    HRESULT IsAlgOidSupported(BSTR algOid) override;
    HRESULT get_ProviderVersion(BSTR* pVal) override;
    HRESULT RegisterOIDInfo() override;
    HRESULT IsKeylenSupported(LONG keylenBits) override;
    HRESULT CmfToPem(BSTR certCmf, BSTR* certPem) override;
    HRESULT get_SignDlgTitle(BSTR* pVal) override;
    HRESULT put_SignDlgTitle(BSTR newVal) override;
    HRESULT RequestedExtension_KeyUsage_Reset() override;
    HRESULT IsIssued(BSTR certPem, BSTR issuerPem, VARIANT_BOOL* bStat) override;
    HRESULT RemoveSubjectAttribute(BSTR bstrOid) override;
    HRESULT Test() override;
    HRESULT get_Error(BSTR* pVal) override;
    HRESULT put_Error(BSTR newVal) override;
    HRESULT get_ErrorLevel(LONG* pVal) override;
    HRESULT put_ErrorLevel(LONG newVal) override;
    HRESULT AddAttribute_SmartCardInfoSC() override;
    HRESULT HsmEngine_TestConnection() override;
    HRESULT HsmEngine_Init(BSTR url, BSTR device, LONG comport) override;
    HRESULT HsmEngine_GetRootList(BSTR* pVal) override;
    HRESULT HsmEngine_WriteRoot(BSTR certfilename) override;
    HRESULT get_sha1WithRSASign(BSTR* pVal) override;
    HRESULT get_sha1WithRSAEncryption(BSTR* pVal) override;
    HRESULT get_sha256WithRSAEncryption(BSTR* pVal) override;
    HRESULT get_sha384WithRSAEncryption(BSTR* pVal) override;
    HRESULT get_sha512WithRSAEncryption(BSTR* pVal) override;
    HRESULT get_md5WithRSAEncryption(BSTR* pVal) override;
    HRESULT get_md5Algorithm(BSTR* pVal) override;
    HRESULT get_sha1Algorithm(BSTR* pVal) override;
    HRESULT get_sha256Algorithm(BSTR* pVal) override;
    HRESULT get_sha384Algorithm(BSTR* pVal) override;
    HRESULT get_sha512Algorithm(BSTR* pVal) override;
    HRESULT get_RDN_PRINTABLE_STRING(LONG* pVal) override;
    HRESULT get_RDN_IA5_STRING(LONG* pVal) override;
    HRESULT get_RDN_BMP_STRING(LONG* pVal) override;
    HRESULT get_RDN_UTF8_STRING(LONG* pVal) override;
    HRESULT get_TYPE_PROVIDER_RSA_FULL(LONG* pVal) override;
    HRESULT get_TYPE_PROVIDER_RSA_AES(LONG* pVal) override;
    HRESULT get_KEYSPEC_AT_SIGNATURE(LONG* pVal) override;
    HRESULT get_KEYSPEC_AT_KEYEXCHANGE(LONG* pVal) override;
    HRESULT get_KEYSPEC_AT_PARVEL(LONG* pVal) override;
    HRESULT get_ApplicationProfile(sgAppProfile* pVal) override;
    HRESULT put_ApplicationProfile(sgAppProfile newVal) override;
    HRESULT get_CodePage(ULONG* pVal) override;
    HRESULT put_CodePage(ULONG newVal) override;
    HRESULT get_MessageEncoding(BSTR* pVal) override;
    HRESULT put_MessageEncoding(BSTR newVal) override;
    HRESULT get_GUILanguage(BSTR* pVal) override;
    HRESULT put_GUILanguage(BSTR newVal) override;
    HRESULT DeleteCertificate(BSTR bstrX509) override;
    HRESULT DeleteExpiredCertificates(ULONG nDays) override;
    HRESULT get_SmartCardName(BSTR* pVal) override;
    HRESULT get_SmartCardReaderName(BSTR* pVal) override;
    HRESULT put_SmartCardReaderName(BSTR newVal) override;
    HRESULT DeleteObsoleteContent() override;
    HRESULT AddAttribute_KavloCardInfo() override;
    HRESULT X509SubjectToPersonalReqTesk(BSTR bstrCert, BSTR bstrGivenName, BSTR bstrSurname) override;
    HRESULT X509SubjectToReqTesk(BSTR bstrCert) override;
    HRESULT X509MergeSubjectToPersonalReqTesk(BSTR bstrCertMaster, BSTR bstrCertCopy, BSTR bstrSubjectOIDs,
                                              BSTR bstrGivenName, BSTR bstrSurname) override;
};
