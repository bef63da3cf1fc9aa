#include "halvex/mirelo_signer.h"

#include <cstdio>
#include <string>

#include "halvex/app_data.h"
#include "halvex/bstr.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/profile.h"
#include "halvex/resource_strings.h"
#include "mirelo_lib.h"
#include "win32/com.h"
#include "win32/oleauto.h"
#include "win32/registry.h"

namespace halvex {
namespace {

constexpr char16_t kProgId[] = u"Mirelo.SignerKyd.1";
constexpr char16_t kComponentFolder[] = u"libs/dll_conf/";
constexpr char16_t kPluginMask[] = u"Tesk*PluginKyd.so";
constexpr char16_t kConfigurationFile[] = u"mirelo.signed.cfg";
constexpr char16_t kPolicyFile[] = u"policyQES_1.der";
constexpr char16_t kTrustedListFile[] = u"TrustedList.kyd";
constexpr char16_t kRememberedCertificatesKey[] = u"Software\\tesk\\mirelo\\certs";
constexpr char16_t kContentType[] = u"text/plain";
constexpr UINT kLanguageString = 33204;
constexpr UINT kConfigurationUnreadable = 33175;
constexpr int kErrorNoClsid = 4058;
constexpr int kErrorNoComponent = 4059;
constexpr int kErrorNoInterface = 4060;
constexpr REGSAM kRecreateAccess = 0x2001F;

constexpr LONG kSelectionTest = 9;         // valid, qualified only
constexpr LONG kSelectionProduction = 31;  // also chain, revocation and secure device
constexpr LONG kSignWithPolicy = 1;
constexpr LONG kOverwrite = 1;
constexpr LONG kSignerFixedInConfirmation = 1;
constexpr LONG kCharsetUtf8 = 0;

bool InTestEnvironment() {
    const DWORD environment = GetProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction);
    return environment == kEnvironmentDevelopment || environment == kEnvironmentTest;
}

// Each signature in a test environment starts without remembered
// certificates: the component's list 1 is deleted and made again, empty.
void ResetTestEnvironment() {
    if (!InTestEnvironment()) return;
    HKEY certs = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRememberedCertificatesKey, 0, KEY_ALL_ACCESS, &certs) != ERROR_SUCCESS)
        return;
    RegDeleteKeyW(certs, u"1");
    HKEY list = nullptr;
    char16_t noClass[] = u"";
    if (RegCreateKeyExW(certs, u"1", 0, noClass, 0, kRecreateAccess, nullptr, &list, nullptr) == ERROR_SUCCESS)
        RegCloseKey(list);
    RegCloseKey(certs);
}

std::u16string ComponentFolder() {
    std::u16string folder = TAppData::Instance().GetConfigurationFolder();
    while (!folder.empty() && (folder.back() == u'/' || folder.back() == u'\\')) folder.pop_back();
    return folder + u"/" + kComponentFolder;
}

// The thread's error description, left there by the failing member, else
// the component's own last error text.
std::u16string ErrorDescription(ISignerKyd* signer) {
    std::u16string description = ThreadErrorDescription();
    if (description.empty() && signer) {
        BSTR text = nullptr;
        if (SUCCEEDED(signer->get_LastErrorStr(&text))) description = TakeBstr(text);
    }
    return description;
}

void Check(ISignerKyd* signer, HRESULT status) {
    if (FAILED(status)) throw MireloError(status, ErrorDescription(signer));
}

// The component's description and the status, shown without an error code.
void ShowComponentError(const MireloError& error) {
    char status[16];
    std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(error.status()));
    const std::u16string statusText(status, status + std::char_traits<char>::length(status));
    ErrorBox(error.description().empty() ? statusText : error.description() + u"\n" + statusText, 0, false, false);
}

LONG LanguageNumber() {
    const std::u16string language = LoadResString(kLanguageString);
    if (language == u"SK") return 1;
    if (language == u"EN") return 2;
    return 0;
}

}  // namespace

MireloError::MireloError(HRESULT status, std::u16string description)
    : std::runtime_error("signing component call failed"), m_status(status), m_description(std::move(description)) {}

Mirelo::~Mirelo() { release(); }

bool Mirelo::init() {
    ResetTestEnvironment();
    TLogFile::GetInstance().Print(u"Mirelo::init (): initializing");
    if (FAILED(CoInitialize(nullptr))) {
        ErrorBox(u"", kErrorNoComponent, false, false);
        return false;
    }
    CLSID clsid{};
    if (FAILED(CLSIDFromString(kProgId, &clsid))) {
        ErrorBox(u"", kErrorNoClsid, false, false);
        return false;
    }
    release();
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&m_unknown))) ||
        !m_unknown) {
        m_unknown = nullptr;
        ErrorBox(u"", kErrorNoComponent, false, false);
        return false;
    }
    if (FAILED(m_unknown->QueryInterface(IID_ISignerKyd, reinterpret_cast<void**>(&m_signer))) || !m_signer) {
        m_signer = nullptr;
        ErrorBox(u"", kErrorNoInterface, false, false);
        return false;
    }
    try {
        Check(m_signer, m_signer->Reset());
    } catch (const MireloError& error) {
        ShowComponentError(error);
        return false;
    }
    if (!LoadPlugins() || !LoadConfiguration()) return false;
    TLogFile::GetInstance().Print(u"Mirelo::init (): initializing = done");
    return true;
}

bool Mirelo::release() {
    bool unloaded = true;
    if (m_signer) {
        unloaded = SUCCEEDED(m_signer->UnloadAllPlugins());
        m_signer->Release();
        m_signer = nullptr;
    }
    if (m_unknown) {
        m_unknown->Release();
        m_unknown = nullptr;
    }
    return unloaded;
}

bool Mirelo::LoadPlugins() {
    TLogFile::GetInstance().Print(u"Mirelo::init (): initializing: loading plugins");
    try {
        if (!m_signer) throw MireloError(E_POINTER, u"");
        Check(m_signer, m_signer->LoadAllPlugins(MakeBstr(ComponentFolder()).get(), MakeBstr(kPluginMask).get()));
    } catch (const MireloError& error) {
        ShowComponentError(error);
        return false;
    }
    TLogFile::GetInstance().Print(u"Mirelo::init (): initializing: loading plugins: done");
    return true;
}

bool Mirelo::LoadConfiguration() {
    TLogFile::GetInstance().Print(u"Mirelo::init (): initializing: setting configuration");
    std::u16string configuration;
    if (!ReadFileToText(ComponentFolder() + kConfigurationFile, configuration)) {
        ErrorBox(LoadResString(kConfigurationUnreadable), 0, false, false);
        return false;
    }
    try {
        if (!m_signer) throw MireloError(E_POINTER, u"");
        Check(m_signer, m_signer->SetConfiguration(MakeBstr(configuration).get()));
    } catch (const MireloError& error) {
        ShowComponentError(error);
        return false;
    }
    return true;
}

bool Mirelo::Sign_Kyd(const std::u16string& input, const std::u16string& output,
                      const std::u16string& certificatePem) {
    TLogFile::GetInstance().Print(u"Mirelo::Sign_Kyd()");
    const bool test = InTestEnvironment();
    if (test) {
        release();
        if (!init()) return false;
    }
    if (!m_signer) throw MireloError(E_POINTER, u"");
    const std::u16string folder = ComponentFolder();
    Check(m_signer, m_signer->put_CfgCertSelection(static_cast<sgCertSelectionFlags>(test ? kSelectionTest : kSelectionProduction)));
    Check(m_signer, m_signer->put_CfgSign(static_cast<sgSignFlags>(kSignWithPolicy)));
    Check(m_signer, m_signer->put_CfgFile(static_cast<sgFileFlags>(kOverwrite)));
    Check(m_signer, m_signer->SetSignPolicyFile(MakeBstr(folder + kPolicyFile).get()));
    Check(m_signer, m_signer->SetTrustedListFile(MakeBstr(folder + kTrustedListFile).get()));
    Check(m_signer, m_signer->put_SignCertPem(MakeBstr(certificatePem).get()));
    Check(m_signer, m_signer->put_CfgConfirmationDlg(static_cast<sgConfirmationDlgFlags>(kSignerFixedInConfirmation)));
    Check(m_signer, m_signer->put_CfgSignCharset(static_cast<sgCharsets>(kCharsetUtf8)));
    Check(m_signer, m_signer->put_CfgLanguageNumber(static_cast<sgLanguages>(LanguageNumber())));
    Check(m_signer,
          m_signer->SignFileToFile(MakeBstr(input).get(), MakeBstr(output).get(), MakeBstr(kContentType).get()));
    TLogFile::GetInstance().Print(u"Mirelo::Sign_Kyd(): done");
    return true;
}

}  // namespace halvex
