// The signature policy of the signer: loading and admitting the policy file,
// and reading its fields.
#include <filesystem>
#include <system_error>

#include "common/files.h"
#include "common/log.h"
#include "common/pem.h"
#include "common/sign_policy_decoder.h"
#include "common/sign_policy_validator.h"
#include "platform/paths.h"
#include "signer.h"
#include "signer_values.h"

namespace {

// A policy is a few kilobytes; anything far larger is not one, and is not
// read into memory.
constexpr std::uintmax_t kMaxPolicyFileSize = 4u << 20;

// The signed attributes the signer can make, and its one unsigned attribute.
const std::vector<std::string> kSignedAttributes = {
    "1.2.840.113549.1.9.3",         // content type
    "1.2.840.113549.1.9.4",         // message digest
    "1.2.840.113549.1.9.5",         // signing time
    "1.2.840.113549.1.9.16.2.12",   // signing certificate
    "1.2.840.113549.1.9.16.2.47",   // signing certificate v2
    "1.2.840.113549.1.9.16.2.15",   // signature policy identifier
};
const std::vector<std::string> kUnsignedAttributes = {"1.2.840.113549.1.9.16.2.14"};  // time-stamp token

// The policy's DER from the file: the bytes as they are, or the Base64 text
// decoded. 0, 3202 or 5.
LONG readPolicyFile(const std::string& fileName, bool der, std::vector<BYTE>& bytes) {
    std::error_code error;
    const auto size = std::filesystem::file_size(platform::paths::fromWindowsAnsi(fileName), error);
    if (error || size > kMaxPolicyFileSize || !ReadFileToBuffer(fileName, bytes)) return kErrPolicyUnreadable;
    if (der) return 0;
    const std::string text(bytes.begin(), bytes.end());
    return Base64DecodeString(text, bytes) ? 0 : kErrBase64Decoding;
}

bool admits(const SignPolicyInfo& policy) {
    TSignPolicyValidator validator(policy);
    return validator.AddSignerAttrsRule(kSignedAttributes, kUnsignedAttributes) &&
           validator.AddSignerCertRefRule(kCertSignerOnly) && validator.Validate();
}

}  // namespace

bool TSigner::SetFormatOptions(LONG options) {
    SIGNER_TRACE_VALUE(options);
    m_formatOptions = options;
    return true;
}

const std::string& TSigner::GetSignPolicyFile() const { return m_policyFile; }

bool TSigner::SetSignPolicyFile(const std::string& fileName) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "fname: " + fileName);
    if (fileName.empty()) {
        m_policyFile.clear();
        m_signPolicy.clear();
        return true;
    }
    std::vector<BYTE> bytes;
    if (const LONG read = readPolicyFile(fileName, (m_formatOptions & kFormatInputDer) != 0, bytes)) {
        return Record(read);
    }
    SignPolicyInfo policy;
    if (bytes.empty() || !DecodeSignPolicyBuffer(bytes.data(), static_cast<DWORD>(bytes.size()), policy)) {
        return Record(kErrPolicyUnusable);
    }
    if (!admits(policy)) {
        // A policy that cannot be signed under must not stay in force.
        m_policyFile.clear();
        m_signPolicy.clear();
        return Record(kErrPolicyUnusable);
    }
    m_policyFile = fileName;
    m_signPolicy = std::move(bytes);
    return Record(0);
}

bool TSigner::GetSignPolicyValue(LONG selector, std::string& out) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "val_type      : " + std::to_string(selector));
    SignPolicyInfo policy;
    if (m_signPolicy.empty() ||
        !DecodeSignPolicyBuffer(m_signPolicy.data(), static_cast<DWORD>(m_signPolicy.size()), policy)) {
        return Record(kErrPolicyUnusable);
    }
    return Record(FormatSignPolicyValue(policy, selector, out));
}
