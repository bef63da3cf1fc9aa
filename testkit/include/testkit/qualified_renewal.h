// A platform root ready to renew a qualified certificate, as the renewal
// program's in-process tests and the demo (testkit_renewal_env) use it:
// the enrolment library and the signing component registered, the text
// plug-in and the signed configuration beside the signer, the authority's
// hierarchy trusted with its CRLs served and the signing inputs written,
// the holder's qualified certificate with its key, and testkit's renewal
// server under the host name the program knows it by.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/renewal_server.h"

namespace testkit {

// The suite's files a renewal runs on.
struct RenewalModules {
    std::filesystem::path regsvr32;
    std::filesystem::path enrolment;   // libpentak.so
    std::filesystem::path signer;      // libmirelo.so
    std::filesystem::path textPlugin;  // TeskTxtPluginKyd.so
};

// Runs "regsvr32 /s [/u] MODULE" in the current platform root; throws
// std::runtime_error with its output when it fails.
void registerComServer(const std::filesystem::path& regsvr32, const std::filesystem::path& module,
                       bool unregister = false);

// Registers the enrolment library and the signing component, and puts the
// text plug-in and the signed configuration (one provider, KavloCSP) into
// the plug-in folder of the configuration folder (libs/dll_conf).
void installRenewalComponents(const RenewalModules& modules, const std::filesystem::path& configFolder);

// The plug-in folder of a configuration folder.
std::filesystem::path pluginFolder(const std::filesystem::path& configFolder);

// A certificate whose key lies in a container of the software provider or
// on a token, in the user's "MY" store.
struct HeldCertificate {
    std::unique_ptr<TestCsp> csp;
    std::optional<pki::Certificate> certificate;
};

// Issues the builder's certificate (a serial of its own per container) with
// a key in the container and adds it to "MY"; throws std::runtime_error
// when the provider cannot.
HeldCertificate holdCertificate(const PlatformRoot& root, pki::CertificateBuilder builder, const std::string& keyName,
                                const std::u16string& container, CspKind kind = CspKind::Software);

// The authority and its server for one renewal of Jan Novák's qualified
// certificate (key in the container "qualified").
class QualifiedRenewal {
public:
    QualifiedRenewal(const PlatformRoot& root, const std::filesystem::path& configFolder, std::string serverHost,
                     CspKind kind = CspKind::Software);
    QualifiedRenewal(const QualifiedRenewal&) = delete;
    QualifiedRenewal& operator=(const QualifiedRenewal&) = delete;

    HttpServer crls;
    pki::Hierarchy made;
    HeldCertificate qualified;
    // Mapped in the platform root's connection map from the host name's 443.
    RenewalServer server;
};

}  // namespace testkit
