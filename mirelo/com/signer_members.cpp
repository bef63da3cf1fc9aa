// The members of ISignerKyd over the signer's settings and state.
#include "member_results.h"
#include "mirelo_module.h"
#include "signer_algorithms.h"
#include "signer_kyd_class.h"

namespace {

// The interface's sgHashAlgTypes values are the low bits of the row.
constexpr LONG kHashValueMask = 0x1FF;

}  // namespace

HRESULT CSignerKyd::Reset() {
    return RunOperation([&] { return m_signer.Reset(false); });
}

HRESULT CSignerKyd::get_LogLevel(sgLogLevelFlags* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetLogLevel(); });
}

HRESULT CSignerKyd::put_LogLevel(sgLogLevelFlags newVal) {
    return StoreValue([&] { m_signer.SetLogLevel(static_cast<DWORD>(newVal)); });
}

HRESULT CSignerKyd::get_LogString(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetLogString(); });
}

HRESULT CSignerKyd::LogClear() {
    return StoreValue([&] { m_signer.LogClear(); });
}

HRESULT CSignerKyd::get_LastErrorNumber(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetLastErrorNumber(); });
}

HRESULT CSignerKyd::put_LastErrorNumber(LONG newVal) {
    return StoreValue([&] { m_signer.SetLastErrorNumber(newVal); });
}

HRESULT CSignerKyd::get_LastErrorStr(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetLastErrorStr(); });
}

HRESULT CSignerKyd::put_LastErrorStr(BSTR newVal) {
    return StoreValue([&] { m_signer.SetLastErrorStr(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::About(BSTR* aboutStr) {
    return ReadText(aboutStr, [&] { return m_signer.About(); });
}

HRESULT CSignerKyd::get_CfgLanguageStr(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetCfgLanguageStr(); });
}

// Loaded document plug-ins would hear of the new language here; the
// plug-in host is not built yet.
HRESULT CSignerKyd::put_CfgLanguageStr(BSTR newVal) {
    return RunOperation([&] { return m_signer.SetCfgLanguageStr(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::get_CfgLanguageNumber(sgLanguages* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetCfgLanguageNumber(); });
}

HRESULT CSignerKyd::put_CfgLanguageNumber(sgLanguages newVal) {
    return RunOperation([&] { return m_signer.SetCfgLanguageNumber(newVal); });
}

HRESULT CSignerKyd::get_CryptographicServiceProvider(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetCurrentCSP(); });
}

HRESULT CSignerKyd::put_CryptographicServiceProvider(BSTR newVal) {
    return RunOperation([&] { return m_signer.SetCurrentCSP(NarrowOf(newVal)); });
}

// The stored row's low nine bits: a row reads as its sgHashAlgTypes value,
// none (-1) as 511.
HRESULT CSignerKyd::get_CfgSignHashAlgorithmType(sgHashAlgTypes* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetHashAlgorithmType() & kHashValueMask; });
}

// A value that is no known digest is recorded as the last error (50) and
// the old one kept; the member itself always succeeds.
HRESULT CSignerKyd::put_CfgSignHashAlgorithmType(sgHashAlgTypes newVal) {
    return StoreValue([&] { m_signer.SetHashAlgorithmType(newVal | kHashRowBase); });
}

HRESULT CSignerKyd::get_CfgSignHashAlgorithmStr(BSTR* pVal) {
    return ReadText(pVal, [&] {
        std::string name;
        m_signer.GetHashAlgorithmTypeStr(name);
        return name;
    });
}

HRESULT CSignerKyd::put_CfgSignHashAlgorithmStr(BSTR newVal) {
    return StoreValue([&] { m_signer.SetHashAlgorithmTypeStr(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::get_SignatureCount(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetSignatureCount(); });
}

HRESULT CSignerKyd::put_SignatureCount(LONG newVal) {
    return RunOperation([&] { return m_signer.SetSignatureCount(newVal); });
}

HRESULT CSignerKyd::get_SignatureIndex(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetSignatureIndex(); });
}

HRESULT CSignerKyd::put_SignatureIndex(LONG newVal) {
    return RunOperation([&] { return m_signer.SetSignatureIndex(newVal); });
}

HRESULT CSignerKyd::get_CfgSign(sgSignFlags* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetSignFlags(); });
}

HRESULT CSignerKyd::put_CfgSign(sgSignFlags newVal) {
    return StoreValue([&] { m_signer.SetSignFlags(newVal); });
}

HRESULT CSignerKyd::get_CfgFile(sgFileFlags* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetFileFlags(); });
}

HRESULT CSignerKyd::put_CfgFile(sgFileFlags newVal) {
    return StoreValue([&] { m_signer.SetFileFlags(newVal); });
}

HRESULT CSignerKyd::get_VersionMajor(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetVersion(true); });
}

HRESULT CSignerKyd::get_VersionMinor(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetVersion(false); });
}

HRESULT CSignerKyd::Unregister() { return DllUnregisterServer(); }

HRESULT CSignerKyd::get_CfgCertSelection(sgCertSelectionFlags* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetCertSelFlags(); });
}

HRESULT CSignerKyd::put_CfgCertSelection(sgCertSelectionFlags newVal) {
    return StoreValue([&] { m_signer.SetCertSelFlags(newVal); });
}

HRESULT CSignerKyd::get_LastErrorSignatureNumber(LONG* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetLastErrorSignatureNumber(); });
}

HRESULT CSignerKyd::put_LastErrorSignatureNumber(LONG newVal) {
    return StoreValue([&] { m_signer.SetLastErrorSignatureNumber(newVal); });
}

HRESULT CSignerKyd::get_LastErrorSignatureStr(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetLastErrorSignatureStr(); });
}

HRESULT CSignerKyd::put_LastErrorSignatureStr(BSTR newVal) {
    return StoreValue([&] { m_signer.SetLastErrorSignatureStr(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::SetTsaServer(BSTR bstrServer, BSTR bstrPolicy) {
    return RunOperation([&] { return m_signer.SetTimeStampServer(NarrowOf(bstrServer), NarrowOf(bstrPolicy)); });
}

HRESULT CSignerKyd::SetInternetConnection(sgInternetConnFlags lFlag, BSTR bstrProxyServer, BSTR bstrProxyUsername,
                                          BSTR bstrProxyPassword) {
    return RunOperation([&] {
        return m_signer.SetInternetConnection(lFlag, NarrowOf(bstrProxyServer), NarrowOf(bstrProxyUsername),
                                              NarrowOf(bstrProxyPassword));
    });
}

HRESULT CSignerKyd::SSCDProvidersClear() {
    return RunOperation([&] { return m_signer.ProvidersClear(); });
}

HRESULT CSignerKyd::get_SSCDProvidersCount(ULONG* pProviderCount) {
    return ReadValue(pProviderCount, [&] { return m_signer.ProvidersGetCount(); });
}

HRESULT CSignerKyd::SSCDProvidersEnum(ULONG ulIndex, BSTR* bstrName) {
    if (!bstrName) return E_POINTER;
    return platform::winHr([&] {
        std::string name;
        if (!m_signer.ProvidersEnum(ulIndex, name)) return ResultOfFlag(false);
        return HandOut(name, bstrName);
    });
}

HRESULT CSignerKyd::get_CfgConfirmationDlg(sgConfirmationDlgFlags* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetConfirmationDlgFlags(); });
}

HRESULT CSignerKyd::put_CfgConfirmationDlg(sgConfirmationDlgFlags newVal) {
    return StoreValue([&] { m_signer.SetConfirmationDlgFlags(newVal); });
}

HRESULT CSignerKyd::get_CfgSignCharset(sgCharsets* pVal) {
    return ReadValue(pVal, [&] { return m_signer.GetSignCharset(); });
}

HRESULT CSignerKyd::put_CfgSignCharset(sgCharsets newVal) {
    return StoreValue([&] { m_signer.SetSignCharset(newVal); });
}

HRESULT CSignerKyd::get_CfgSignCharsetStr(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetSignCharsetStr(); });
}

HRESULT CSignerKyd::put_CfgSignCharsetStr(BSTR newVal) {
    return StoreValue([&] { m_signer.SetSignCharsetStr(NarrowOf(newVal)); });
}
