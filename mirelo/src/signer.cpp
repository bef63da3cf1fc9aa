// Construction, reset and destruction of the signer, and the bookkeeping
// every operation shares: trace lines, log writes, recorded outcomes.
#include "signer.h"

#include <string_view>

#include "common/global_params.h"
#include "common/installed_providers.h"
#include "common/log.h"
#include "common/resource.h"
#include "common/strings.h"
#include "common/system_error.h"
#include "common/trusted_store.h"
#include "kyd/file_kyd.h"
#include "signer_services.h"
#include "platform/clock.h"
#include "win32/error.h"
#include "win32/modules.h"

namespace {

// The store flags the system stores open with: current user, read only.
constexpr DWORD kStoreOpenFlags = 0x14000;

std::string_view fileName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

TSigner::TSigner() {
    {
        LastErrorKeeper keep;
        m_richEdit.reset(LoadLibraryA("RICHED32.DLL"));
    }
    SignerServices::Attach();
    try {
        TSigner::Reset(false);
    } catch (...) {
        SignerServices::Detach();  // a signer that never was holds nothing
        throw;
    }
}

TSigner::~TSigner() {
    TSigner::Reset(true);
    SignerServices::Detach();
}

void TSigner::LibraryRelease::operator()(HMODULE module) const {
    LastErrorKeeper keep;
    FreeLibrary(module);
}

bool TSigner::Reset(bool partial) {
    m_hashAlgorithm = -1;
    m_encryptionAlgorithm = kTripleDesRow;
    m_certSelFlags = 1;
    m_tsaCertSelFlags = 1;
    m_fileFlags = 0;
    m_formatOptions = kSigningTimeOnly;
    m_confirmationDlgFlags = 0;
    m_selectionDisplaySwitch = true;
    TGlobalParams::Instance()->SetStoreFlags(kStoreOpenFlags);
    m_signatureIndex = 0;
    m_signFlags = 0;
    m_tsaUrl.clear();
    m_tsaPolicy.clear();
    m_proxyServer.clear();
    m_proxyUser.clear();
    m_proxyPassword.clear();
    m_accessType = kAccessPreconfigured;
    if (!partial) {
        m_signPolicy.clear();
        m_policyFile.clear();
    }
    // The log is shared: a signer empties it only when no other one reads it.
    if (!partial && SignerServices::LiveSigners() == 1) {
        LastErrorKeeper keep;
        TLogStrVect::Instance()->Trim(0);
    }
    if (!partial) {
        SIGNER_TRACE();
        m_lastErrorStr.clear();
        m_lastErrorNumber = 0;
        ClearSignatureResults();
    }
    m_listProviderCertificates = true;
    TCSPManager::InitDefaultProviders();
    if (std::string name; !partial && GetDefaultCspName(name, PROV_RSA_FULL)) Record(SetCSP(name), name);
    m_certs.Clear();
    if (!partial) ReloadCertificates("Software\\Tesk\\tesksign\\certs", "Software\\Tesk\\tesksign\\trusted");
    return true;
}

void TSigner::ReloadCertificates(const std::string& certsKey, const std::string& trustedKey) {
    LastErrorKeeper keep;
    m_certs.SetBaseKey(certsKey);
    m_certs.LoadAll();
    TCertTrustedStore* trusted = TCertTrustedStore::Instance();
    trusted->SetBaseKey(trustedKey);
    trusted->Load();
}

void TSigner::Trace(const char* operation, const char* file, int line) const {
    Log(sgLogLevelDebug, std::string(operation) + "(): " + std::string(fileName(file)) + ":" + std::to_string(line));
}

void TSigner::TraceValue(const char* operation, const char* file, int line, LONG value) const {
    Log(sgLogLevelDebug, std::string(operation) + "(): " + std::string(fileName(file)) + ":" + std::to_string(line) +
                             ". value " + std::to_string(value));
}

void TSigner::Log(DWORD level, const std::string& text) const {
    LastErrorKeeper keep;
    TLogStrVect::Instance()->PrintStr(level, text);
}

void TSigner::SetError(LONG number, const std::string& text) {
    LastErrorKeeper keep;
    m_lastErrorNumber = number;
    m_lastErrorStr = text;
    Log(number != 0 ? sgLogLevelErrs : sgLogLevelDebug, "error " + std::to_string(number) + ": " + text);
    if (number != 0) LogLastError(sgLogLevelErrs, "system error: ");
}

bool TSigner::Record(LONG number) {
    LastErrorKeeper keep;
    std::string text;
    TResource::Instance()->FormatMessage(text, number);
    // A container that could not be opened, written or extracted from, or a
    // file that could not be saved: the system's cause (a full disk, a
    // read-only folder) follows the component's message.
    const bool mayHaveCause = number == kydOpenFailed || number == kydCompressFailed || number == kydExtractFailed ||
                              number == kErrSavingFile;
    if (mayHaveCause && GetLastError() != 0) {
        std::string cause = GetSystemMessage(GetLastError());
        TrimRight(cause, "\r\n");
        if (!cause.empty()) text += " " + cause;
    }
    SetError(number, text);
    return number == 0;
}

bool TSigner::Record(LONG number, const std::string& argument) {
    LastErrorKeeper keep;
    std::string text;
    TResource::Instance()->FormatMessage(text, number, argument.c_str());
    SetError(number, text);
    return number == 0;
}

bool TSigner::Record(LONG number, LONG argument) {
    LastErrorKeeper keep;
    std::string text;
    TResource::Instance()->FormatMessage(text, number, static_cast<int>(argument));
    SetError(number, text);
    return number == 0;
}

LONG TSigner::GetFormatOptions() const { return m_formatOptions; }
LONG TSigner::GetEncryptionAlgorithm() const { return m_encryptionAlgorithm; }
LONG TSigner::GetTsaCertSelFlags() const { return m_tsaCertSelFlags; }
bool TSigner::GetSelectionDisplaySwitch() const { return m_selectionDisplaySwitch; }
bool TSigner::HasGraphicalInterface() const { return m_richEdit != nullptr; }

bool TSigner::IsSignPolicy() const { return !m_signPolicy.empty(); }

bool TSigner::ValidateSignPolicy(const SignPolicyInfo& policy) const {
    if (!IsSignPolicy()) return true;
    const auto asNumber = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const ULONGLONG now = platform::clock::nowFileTime();
    if (now < asNumber(policy.signingNotBefore)) return false;
    const FILETIME& end = policy.signingNotAfter;
    const bool hasEnd = end.dwLowDateTime != 0 && end.dwHighDateTime != 0;
    return !hasEnd || now <= asNumber(end);
}
