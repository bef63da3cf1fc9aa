// CSignerKyd: the COM class of the signing component. Each object owns one
// signer (TSignerKyd) and one safety-options word; every member of its dual
// interface ISignerKyd converts its arguments, calls one signer operation
// and turns the outcome into an HRESULT (member_results.h). The object may
// be aggregated and answers IUnknown, ISignerKyd, IDispatch and
// IObjectSafety only. Nothing thrown inside leaves a member.
//
// The reserved slot, which no name reaches, answers E_NOTIMPL and touches
// nothing.
#pragma once

#include "signer_kyd.h"

// The core names the values of these two enumerations as its own constants
// (log.h, cert_manager.h); here they are the types of the interface only.
enum sgLogLevelFlags : LONG {};
enum sgCertSelectionFlags : LONG {};
#define TESK_TYPELIB_HAS_sgLogLevelFlags
#define TESK_TYPELIB_HAS_sgCertSelectionFlags
#include "mirelo_lib.h"
#include "platform/com/dispatch.h"
#include "platform/com/object.h"
#include "win32/objsafe.h"

class CSignerKyd final
    : public platform::com::Object<CSignerKyd, platform::com::Dispatch<ISignerKyd>, IObjectSafety> {
public:
    // ---- Settings and state of the signer ----
    HRESULT Reset() override;
    HRESULT get_LogLevel(sgLogLevelFlags* pVal) override;
    HRESULT put_LogLevel(sgLogLevelFlags newVal) override;
    HRESULT get_LogString(BSTR* pVal) override;
    HRESULT LogClear() override;
    HRESULT get_LastErrorNumber(LONG* pVal) override;
    HRESULT put_LastErrorNumber(LONG newVal) override;
    HRESULT get_LastErrorStr(BSTR* pVal) override;
    HRESULT put_LastErrorStr(BSTR newVal) override;
    HRESULT About(BSTR* aboutStr) override;
    HRESULT get_CfgLanguageStr(BSTR* pVal) override;
    HRESULT put_CfgLanguageStr(BSTR newVal) override;
    HRESULT get_CfgLanguageNumber(sgLanguages* pVal) override;
    HRESULT put_CfgLanguageNumber(sgLanguages newVal) override;
    HRESULT get_CryptographicServiceProvider(BSTR* pVal) override;
    HRESULT put_CryptographicServiceProvider(BSTR newVal) override;
    HRESULT get_CfgSignHashAlgorithmType(sgHashAlgTypes* pVal) override;
    HRESULT put_CfgSignHashAlgorithmType(sgHashAlgTypes newVal) override;
    HRESULT get_CfgSignHashAlgorithmStr(BSTR* pVal) override;
    HRESULT put_CfgSignHashAlgorithmStr(BSTR newVal) override;
    HRESULT get_SignatureCount(LONG* pVal) override;
    HRESULT put_SignatureCount(LONG newVal) override;
    HRESULT get_SignatureIndex(LONG* pVal) override;
    HRESULT put_SignatureIndex(LONG newVal) override;
    HRESULT get_CfgSign(sgSignFlags* pVal) override;
    HRESULT put_CfgSign(sgSignFlags newVal) override;
    HRESULT get_CfgFile(sgFileFlags* pVal) override;
    HRESULT put_CfgFile(sgFileFlags newVal) override;
    HRESULT get_VersionMajor(LONG* pVal) override;
    HRESULT get_VersionMinor(LONG* pVal) override;
    HRESULT Unregister() override;
    HRESULT get_CfgCertSelection(sgCertSelectionFlags* pVal) override;
    HRESULT put_CfgCertSelection(sgCertSelectionFlags newVal) override;
    HRESULT get_LastErrorSignatureNumber(LONG* pVal) override;
    HRESULT put_LastErrorSignatureNumber(LONG newVal) override;
    HRESULT get_LastErrorSignatureStr(BSTR* pVal) override;
    HRESULT put_LastErrorSignatureStr(BSTR newVal) override;
    HRESULT SetTsaServer(BSTR bstrServer, BSTR bstrPolicy) override;
    HRESULT SetInternetConnection(sgInternetConnFlags lFlag, BSTR bstrProxyServer, BSTR bstrProxyUsername,
                                  BSTR bstrProxyPassword) override;
    HRESULT SSCDProvidersClear() override;
    HRESULT get_SSCDProvidersCount(ULONG* pProviderCount) override;
    HRESULT SSCDProvidersEnum(ULONG ulIndex, BSTR* bstrName) override;
    HRESULT get_CfgConfirmationDlg(sgConfirmationDlgFlags* pVal) override;
    HRESULT put_CfgConfirmationDlg(sgConfirmationDlgFlags newVal) override;
    // A charset outside the table is recorded as error 8004 and changes
    // nothing; the put still answers S_OK.
    HRESULT get_CfgSignCharset(sgCharsets* pVal) override;
    HRESULT put_CfgSignCharset(sgCharsets newVal) override;
    HRESULT get_CfgSignCharsetStr(BSTR* pVal) override;
    HRESULT put_CfgSignCharsetStr(BSTR newVal) override;

    // ---- Signing certificates (signer_certificate_members.cpp) ----
    HRESULT SetPresentCardCSP() override;
    HRESULT ShowSignCert() override;
    HRESULT ShowTsaAuthenticationCert() override;
    HRESULT get_SignCertPem(BSTR* pVal) override;
    HRESULT get_TsaAuthenticationCertPem(BSTR* pVal) override;
    HRESULT put_SignCertPem(BSTR newVal) override;
    HRESULT put_TsaAuthenticationCertPem(BSTR newVal) override;
    HRESULT SetSignCert(BSTR bstrIssuerDN) override;
    HRESULT SetTsaAuthenticationCert(BSTR bstrIssuerDN) override;
    HRESULT ShowCert(BSTR bstrCertPem) override;
    HRESULT ShowCertManager() override;

    // ---- Signature policy (policy_members.cpp) ----
    HRESULT SetSignPolicyFile(BSTR bstrFileName) override;
    HRESULT GetSignPolicyValue(sgSignPolicyValTypes lValType, BSTR* pVal) override;
    HRESULT ShowSignPolicy() override;  // policy_view_member.cpp

    // ---- Signed configuration and trusted list (configuration_members.cpp) ----
    HRESULT SetConfiguration(BSTR bstrCfg) override;
    HRESULT SetTrustedListFile(BSTR bstrFile) override;

    // ---- Document plug-ins (plugin_members.cpp) ----
    HRESULT LoadAllPlugins(BSTR bstrSearchPath, BSTR bstrMask) override;
    HRESULT UnloadAllPlugins() override;

    // ---- Reading containers (reading_members.cpp) ----
    HRESULT Pkcs7LoadFromFile(BSTR bstrKydFile) override;
    HRESULT Pkcs7Clear() override;
    HRESULT Pkcs7GetSignerCount(LONG* pVal) override;
    HRESULT Pkcs7GetSignerCert(LONG lIndex, BSTR* bstrCertPem) override;
    HRESULT Pkcs7GetSignerCertValue(LONG lIndex, sgCertValTypes lValType, BSTR* pVal) override;
    HRESULT Pkcs7GetSignerSigningTime(LONG lIndex, DATE* pVal) override;
    HRESULT Pkcs7GetSignerSigningTimeLocal(LONG lIndex, DATE* pVal) override;
    HRESULT Pkcs7GetSignerHashAlgorithmStr(LONG lIndex, BSTR* pVal) override;
    HRESULT Pkcs7GetSignerAlgorithmStr(LONG lIndex, BSTR* pVal) override;
    HRESULT Pkcs7GetSignerTimeStampValue(LONG lIndex, sgTimeStampValTypes lValType, BSTR* pVal) override;
    HRESULT Pkcs7GetSignerPolicyIdValue(LONG lIndex, sgSignPolicyIdValTypes lValType, BSTR* pVal) override;
    HRESULT get_SignatureFile(BSTR* pVal) override;
    HRESULT DocumentGetContentType(BSTR bstrKydFile, BSTR* pVal) override;
    HRESULT DocumentExtractToFile(BSTR bstrPath, BSTR bstrKydFile, BSTR bstrNewFile) override;

    // ---- Signing into containers (signing_members.cpp) ----
    HRESULT SignFileToFile(BSTR bstrFile, BSTR bstrKydFile, BSTR bstrContentType) override;
    HRESULT SignAddSignerToFile(BSTR bstrKydFile) override;

    // ---- IObjectSafety: options 1 and 2 supported, stored only ----
    HRESULT GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) override;
    HRESULT SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) override;

    // ---- The charset choice (charset_choice_member.cpp) ----
    HRESULT SelectSignCharset() override;
    // The slot kept between SetTrustedListFile and ShowCert.
    HRESULT ReservedSlot() override { return E_NOTIMPL; }

private:
    TSignerKyd m_signer;
    DWORD m_safetyOptions = 0;
};
