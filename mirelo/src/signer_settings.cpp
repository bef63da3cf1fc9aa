// The signer's settings and bookkeeping: flag words, version and about
// text, per-signature results, log, last error, language, time-stamp server
// and connection.
#include <algorithm>
#include <cctype>
#include <utility>

#include "common/log.h"
#include "common/resource.h"
#include "signer.h"
#include "signer_services.h"

namespace {

constexpr LONG kVersionMajor = 1;
constexpr LONG kVersionMinor = 2824;
constexpr const char* kRevisionTag = "$Name: V3001 $";
constexpr const char* kRevisionVersion = "3.0.0";  // the digits after the tag's "V"
constexpr const char* kBuildDate = "Mon Nov 28 22:09:02 2011";
constexpr const char* kLanguageCodes[] = {"CZ", "SK", "EN"};

}  // namespace

LONG TSigner::GetCertSelFlags() const {
    SIGNER_TRACE_VALUE(m_certSelFlags);
    return m_certSelFlags;
}

bool TSigner::SetCertSelFlags(LONG flags) {
    SIGNER_TRACE_VALUE(flags);
    m_certSelFlags = flags;
    return true;
}

LONG TSigner::GetFileFlags() const {
    SIGNER_TRACE_VALUE(m_fileFlags);
    return m_fileFlags;
}

bool TSigner::SetFileFlags(LONG flags) {
    SIGNER_TRACE_VALUE(flags);
    m_fileFlags = flags;
    return true;
}

LONG TSigner::GetSignFlags() const {
    SIGNER_TRACE_VALUE(m_signFlags);
    return m_signFlags;
}

bool TSigner::SetSignFlags(LONG flags) {
    SIGNER_TRACE_VALUE(flags);
    m_signFlags = flags;
    return true;
}

LONG TSigner::GetConfirmationDlgFlags() const {
    SIGNER_TRACE_VALUE(m_confirmationDlgFlags);
    return m_confirmationDlgFlags;
}

bool TSigner::SetConfirmationDlgFlags(LONG flags) {
    SIGNER_TRACE_VALUE(flags);
    m_confirmationDlgFlags = flags;
    return true;
}

LONG TSigner::GetVersion(bool major) const {
    SIGNER_TRACE();
    return major ? kVersionMajor : kVersionMinor;
}

std::string TSigner::About() const {
    SIGNER_TRACE();
    std::string text;
    TResource::Instance()->FormatString(text, 0, m_appName.c_str(), kRevisionVersion);
    return text + "\n" + kRevisionTag + " " + kBuildDate;
}

LONG TSigner::GetSignatureIndex() const {
    SIGNER_TRACE();
    return m_signatureIndex;
}

bool TSigner::SetSignatureIndex(LONG index) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    if (index < 0 || index >= GetSignatureCount()) return Record(kErrBadValue);
    m_signatureIndex = index;
    return Record(0);
}

void TSigner::ClearSignatureResults() {
    m_signatureResults.clear();
    m_signatureIndex = 0;
}

void TSigner::AppendSignatureResult(SignatureResult result) { m_signatureResults.push_back(std::move(result)); }

const SignatureResult* TSigner::SelectedSignatureResult() const {
    if (m_signatureResults.empty()) return nullptr;
    return &m_signatureResults.at(static_cast<std::size_t>(m_signatureIndex));
}

LONG TSigner::GetSignatureCount() const { return static_cast<LONG>(m_signatureResults.size()); }

bool TSigner::SetSignatureCount(LONG count) {
    SIGNER_TRACE();
    if (m_signatureResults.empty()) return true;
    m_signatureResults.assign(static_cast<std::size_t>(std::max<LONG>(count, 0)), SignatureResult{});
    if (m_signatureIndex >= GetSignatureCount()) m_signatureIndex = 0;  // never select past the list
    return true;
}

LONG TSigner::GetLastErrorSignatureNumber() const {
    SIGNER_TRACE();
    if (m_signatureResults.empty()) return kErrNoOriginalSigner;
    return m_signatureResults.at(static_cast<std::size_t>(m_signatureIndex)).errorNumber;
}

std::string TSigner::GetLastErrorSignatureStr() const {
    SIGNER_TRACE();
    if (!m_signatureResults.empty())
        return m_signatureResults.at(static_cast<std::size_t>(m_signatureIndex)).errorText;
    std::string text;
    TResource::Instance()->FormatMessage(text, kErrNoOriginalSigner);
    return text;
}

SignatureResult& TSigner::SelectedOrNewResult() {
    if (m_signatureResults.empty()) {
        m_signatureResults.emplace_back();
        m_signatureIndex = 0;
    }
    return m_signatureResults.at(static_cast<std::size_t>(m_signatureIndex));
}

void TSigner::SetLastErrorSignatureNumber(LONG number) {
    SIGNER_TRACE();
    SelectedOrNewResult().errorNumber = number;
}

void TSigner::SetLastErrorSignatureStr(const std::string& text) {
    SIGNER_TRACE();
    SelectedOrNewResult().errorText = text;
}

bool TSigner::SetLogLevel(DWORD mask) {
    SignerServices::SetLogLevel(mask);
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "level: " + std::to_string(mask));
    return true;
}

DWORD TSigner::GetLogLevel() const {
    SIGNER_TRACE();
    return SignerServices::GetLogLevel();
}

bool TSigner::LogClear() {
    {
        LastErrorKeeper keep;
        TLogStrVect::Instance()->Trim(0);
    }
    SIGNER_TRACE();
    return true;
}

std::string TSigner::GetLogString() const {
    std::vector<std::string> lines;
    {
        LastErrorKeeper keep;
        TLogStrVect::Instance()->GetAll(lines);
    }
    std::string text;
    for (const auto& line : lines) text += line;
    return text;
}

LONG TSigner::GetLastErrorNumber() const {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "LastErrorNumber is: " + std::to_string(m_lastErrorNumber));
    return m_lastErrorNumber;
}

void TSigner::SetLastErrorNumber(LONG number) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "err_num: " + std::to_string(number));
    m_lastErrorNumber = number;
}

std::string TSigner::GetLastErrorStr() const {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "LastErrorStr is: " + m_lastErrorStr);
    return m_lastErrorStr;
}

void TSigner::SetLastErrorStr(const std::string& text) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "err_msg: " + text);
    m_lastErrorStr = text;
}

LONG TSigner::GetCfgLanguageNumber() const {
    SIGNER_TRACE();
    const std::string code = TResource::Instance()->GetLanguageStr();
    for (LONG language = 0; language < 3; ++language)
        if (code == kLanguageCodes[language]) return language;
    return 0;
}

bool TSigner::SetCfgLanguageNumber(LONG language) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "lang_num: " + std::to_string(language));
    if (language < 0 || language > 2 || !TResource::Instance()->SetLanguage(static_cast<int>(language)))
        return Record(kErrLanguageNumber, language);
    return Record(0);
}

std::string TSigner::GetCfgLanguageStr() const {
    SIGNER_TRACE();
    return TResource::Instance()->GetLanguageStr();
}

bool TSigner::SetCfgLanguageStr(const std::string& language) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "lang_str: " + language);
    std::string upper = language;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const bool known = std::find(std::begin(kLanguageCodes), std::end(kLanguageCodes), upper) !=
                       std::end(kLanguageCodes);
    if (!known || !TResource::Instance()->SetLanguageStr(upper)) return Record(kErrLanguageName, language);
    return Record(0);
}

bool TSigner::SetTimeStampServer(const std::string& url, const std::string& policy) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "tsa_url:     " + url);
    Log(sgLogLevelDebug, "tsa_policy:  " + policy);
    m_tsaUrl = url;
    m_tsaPolicy = policy;
    return true;
}

bool TSigner::SetInternetConnection(LONG flag, const std::string& proxy, const std::string& user,
                                    const std::string& password) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "tsa_proxy_type:     " + std::to_string(flag));
    m_accessType = flag == 1 ? kAccessDirect : flag == 2 ? kAccessProxy : kAccessPreconfigured;
    m_proxyServer = proxy;
    m_proxyUser = user;
    m_proxyPassword = password;
    return true;
}

LONG TSigner::GetInternetAccessType() const { return m_accessType; }
