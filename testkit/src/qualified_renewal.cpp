#include "testkit/qualified_renewal.h"

#include <stdexcept>
#include <utility>

#include "testkit/process.h"
#include "testkit/signing_inputs.h"
#include "testkit/trusted_list.h"
#include "testkit/user_stores.h"

namespace testkit {

namespace fs = std::filesystem;

void registerComServer(const fs::path& regsvr32, const fs::path& module, bool unregister) {
    RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    std::vector<std::string> command = {regsvr32.string(), "/s"};
    if (unregister) command.push_back("/u");
    command.push_back(module.string());
    const auto result = run(command, options);
    if (result.exitCode != 0)
        throw std::runtime_error("regsvr32 " + module.string() + " failed (" + std::to_string(result.exitCode) +
                                 "): " + result.out + result.err);
}

fs::path pluginFolder(const fs::path& configFolder) { return configFolder / "libs" / "dll_conf"; }

void installRenewalComponents(const RenewalModules& modules, const fs::path& configFolder) {
    const fs::path plugins = pluginFolder(configFolder);
    fs::create_directories(plugins);
    fs::copy_file(modules.textPlugin, plugins / "TeskTxtPluginKyd.so", fs::copy_options::overwrite_existing);
    writeFile(plugins / "mirelo.signed.cfg",
              trusted_list::signedConfiguration("[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n"));
    registerComServer(modules.regsvr32, modules.enrolment);
    registerComServer(modules.regsvr32, modules.signer);
}

HeldCertificate holdCertificate(const PlatformRoot& root, pki::CertificateBuilder builder, const std::string& keyName,
                                const std::u16string& container, CspKind kind) {
    builder.serial({0x4A, static_cast<std::uint8_t>(container.size()), 0x17});
    HeldCertificate held;
    held.csp = std::make_unique<TestCsp>(kind, root, container);
    PCCERT_CONTEXT context = held.csp->certificateWithKey(std::move(builder), keyName);
    if (!context) throw std::runtime_error("no certificate with a key for " + keyName);
    addToUserStore(u"MY", context);
    held.certificate =
        pki::Certificate::fromDer(Bytes(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded));
    CertFreeCertificateContext(context);
    return held;
}

namespace {

HeldCertificate holdQualified(const PlatformRoot& root, const pki::Hierarchy& made, const HttpServer& crls,
                              CspKind kind) {
    return holdCertificate(root,
                           pki::CertificateBuilder()
                               .subject({{"C", "CZ"}, {"CN", "Jan Novák"}})
                               .issuedBy(made.qualifiedCa)
                               .keyUsage(pki::kNonRepudiation | pki::kDigitalSignature)
                               .policies({{std::string(pki::kQualifiedPolicy)}})
                               .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                               .crlDistributionPoints({crls.url("/qualified-ca.crl")}),
                           "Jan Novák", u"qualified", kind);
}

}  // namespace

QualifiedRenewal::QualifiedRenewal(const PlatformRoot& root, const fs::path& configFolder, std::string serverHost,
                                   CspKind kind)
    : made(pki::Hierarchy::make({.crlBaseUrl = crls.url("")})),
      qualified(holdQualified(root, made, crls, kind)),
      server(made, *qualified.certificate, std::move(serverHost)) {
    writeQualifiedSigningInputs(made, crls, pluginFolder(configFolder));
    server.mapHost();
}

}  // namespace testkit
