// The signed configuration: a text that only the configuration signer's key
// can make acceptable, listing the providers the signer may use.
#include <sstream>

#include "common/cert_context.h"
#include "common/config_text.h"
#include "common/csp_manager.h"
#include "common/pem.h"
#include "signer.h"
#include "signer_configuration_cert.h"
#include "signer_errors.h"

namespace {

constexpr const char* kProvidersSection = "Providers";

// Hands each named provider of the text to the provider list.
void configureProviders(const std::vector<BYTE>& content) {
    std::istringstream text(std::string(content.begin(), content.end()));
    INT count = 0;
    CfgGetIntValue(text, kProvidersSection, "ProvidersCount", count);
    for (INT i = 0; i < count; ++i) {
        const std::string prefix = "Provider" + std::to_string(i);
        std::string name;
        if (!CfgGetValue(text, kProvidersSection, prefix + "Name", name)) continue;
        INT flags = 0;
        CfgGetIntValue(text, kProvidersSection, prefix + "Flags", flags);
        TCSPManager::ConfigureProvider(name, static_cast<DWORD>(flags));
    }
}

}  // namespace

bool TSigner::SetConfiguration(const std::string& configuration) {
    SIGNER_TRACE();
    if (configuration.empty()) return Record(kErrBadValue);
    CertInfo builtIn;
    if (!CertInfoFromPem(kConfigSignerCertPem, builtIn)) return Record(kErrConfigSignerUnreadable);
    std::vector<BYTE> message;
    if (!Base64DecodeString(configuration, message)) return Record(kErrBase64Decoding);

    TCryptoapi api;
    const std::vector<CertInfo> extra{builtIn};
    std::vector<BYTE> content;
    std::vector<CertInfo> signers;
    if (const DWORD verified = api.VerifyMessageWithCerts(&extra, message, 0, &content, &signers, nullptr))
        return Record(static_cast<LONG>(verified));
    bool bySigner = false;
    for (const CertInfo& signer : signers) bySigner = bySigner || CertInfoEquals(signer, builtIn);
    if (!bySigner) return Record(kErrConfigSignerUntrusted);

    configureProviders(content);
    return Record(0);
}
